#pragma once

// Link ids of the factory side: the ORVE panel's link and the Transport page's own link.
namespace FactoryLinkIds {
constexpr int OrvePanel = 1;
constexpr int Transport = 2;
} // namespace FactoryLinkIds
