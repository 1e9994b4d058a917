// The XML run lives with the unit-setup document; the data object only hands over its members.
#include "platform/platform.h"
#include "project/property_data.h"
#include "unitxml/unit_xml_run.h"

bool CTQPropertyData::TransformUnitXml(const std::string& binTextBeforePath, const std::string& binBeforePath,
                                       const std::string& xmlPath) const {
  return ::TransformUnitXml(hexText, bytes, platform::PathFromUtf8(binTextBeforePath),
                            platform::PathFromUtf8(binBeforePath), platform::PathFromUtf8(xmlPath));
}
