#pragma once

namespace ZtResources {
// Registers the embedded style sheets, icons, instrument artwork and catalogues; safe to call more than once.
void init();
} // namespace ZtResources
