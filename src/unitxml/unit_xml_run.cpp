// The unit-setup bytes through the working files to the transformed document.
#include "unitxml/unit_xml_run.h"

#include "app/user_interface.h"
#include "packed/packed_file.h"
#include "platform/platform.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

// A working file written and closed, every write checked.
bool WriteWorkingFile(const std::filesystem::path& path, std::string_view bytes) {
  if (platform::WriteWholeFile(path, bytes)) return true;
  ShowCatalogMessage("MsgFileCreateFail");
  return false;
}

}  // namespace

bool TransformUnitXml(std::string_view hexText, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& binTextBeforePath,
                      const std::filesystem::path& binBeforePath, const std::filesystem::path& xmlPath) {
  return TransformUnitXml(hexText, bytes, binTextBeforePath, binBeforePath, xmlPath, kUnitSetupExpansionLimit);
}

bool TransformUnitXml(std::string_view hexText, std::span<const std::uint8_t> bytes,
                      const std::filesystem::path& binTextBeforePath,
                      const std::filesystem::path& binBeforePath, const std::filesystem::path& xmlPath,
                      std::uint64_t expansionLimit) {
  // The hex text is kept for inspection only; nothing reads it back.
  if (!WriteWorkingFile(binTextBeforePath, hexText)) return false;
  const std::string_view stream(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!WriteWorkingFile(binBeforePath, stream)) return false;
  if (UnpackProjectFile(binBeforePath, xmlPath, expansionLimit) != UnpackResult::Expanded) {
    ShowCatalogMessage("MsgZipExtractFail");
    return false;
  }
  // The DOM is a library linked in: there is no COM to initialise for it.
  std::filesystem::path outputPath = xmlPath;
  outputPath += ".out.xml";  // appended to the whole name: B.xml gives B.xml.out.xml
  UnitXmlTransformer transformer;
  return transformer.Run(xmlPath, outputPath);
}
