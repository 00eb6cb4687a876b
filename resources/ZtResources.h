#pragma once

namespace ZtResources {
// Registers the embedded style sheets, icons and catalogues; safe to call more than once.
void init();
} // namespace ZtResources
