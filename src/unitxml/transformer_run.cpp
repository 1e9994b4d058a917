// The four steps of one run over a loaded document, and the one place their exceptions end.
#include <exception>

#include "app/user_interface.h"
#include "platform/stop_request.h"
#include "unitxml/unit_xml_transformer.h"

bool UnitXmlTransformer::Run(const std::filesystem::path& inputPath, const std::filesystem::path& outputPath) {
  Release();
  try {
    return LoadDocument(inputPath) && CheckRoot() && Transform() && SaveDocument(outputPath);
  } catch (const platform::Stopped&) {
    Release();
    throw;  // no failure of the run: the Convert command ends the conversion
  } catch (const std::exception& error) {
    Release();
    ShowCatalogMessage("MsgStdException", error.what());
  } catch (...) {
    Release();
    ShowCatalogMessage("MsgUnknownException");
  }
  return false;
}
