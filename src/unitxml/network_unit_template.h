// The target model's network-unit component with its default settings, as the library carries it.
#pragma once

#include <cstddef>
#include <string_view>

// Defined in the source generated from network_unit_template.xml at build time.
extern const unsigned char kNetworkUnitTemplateBytes[];
extern const std::size_t kNetworkUnitTemplateSize;

inline std::string_view NetworkUnitTemplate() {
  return {reinterpret_cast<const char*>(kNetworkUnitTemplateBytes), kNetworkUnitTemplateSize};
}
