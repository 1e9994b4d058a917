// Loading the unit-setup document, finding its equipment element, checking its root, saving it.
#include "app/user_interface.h"
#include "platform/platform.h"
#include "unitxml/unit_xml_transformer.h"

namespace {

// Streams the serialised document into a platform file; after the first failed write nothing
// more is written and the save reports failure.
class OutputFileWriter final : public pugi::xml_writer {
 public:
  explicit OutputFileWriter(platform::OutputFile& file) : file_(file) {}
  void write(const void* data, std::size_t size) override {
    if (written_) written_ = file_.Write(data, size);
  }
  bool written() const { return written_; }

 private:
  platform::OutputFile& file_;
  bool written_ = true;
};

}  // namespace

void UnitXmlTransformer::Release() {
  eqptNode = pugi::xml_node();
  document.reset();
  documentBytes.reset();
}

bool UnitXmlTransformer::LoadDocument(const std::filesystem::path& path) {
  Release();
  const std::string shownPath = platform::PathToUtf8(path);
  // Read twice rather than held twice: each reading is parsed where it lies.
  std::optional<ParsedXml> parsed = ParseXml([&path] { return platform::ReadWholeFile(path); });
  if (!parsed) {
    ShowCatalogMessage("MsgXmlParseFail", shownPath);
    return false;
  }
  documentBytes = std::move(parsed->buffer);
  document = std::move(parsed->document);
  encoding = parsed->encoding;
  // Before the root check: a document without the equipment element is refused for that.
  eqptNode = FindEqptNode(*document);
  if (!eqptNode) {
    ShowCatalogMessage("MsgEqptNodeNotFound");
    Release();
    return false;
  }
  return true;
}

pugi::xml_node UnitXmlTransformer::FindEqptNode(pugi::xml_node node) {
  for (pugi::xml_node at = node; at; at = NextInPreorder(at, node)) {
    if (IsElement(at) && AttributeValue(at, "ID") == "S5") return at;  // whatever its name
  }
  return {};
}

bool UnitXmlTransformer::CheckRoot() {
  if (!document) {
    ShowCatalogMessage("MsgXmlDocNull");
    return false;
  }
  const pugi::xml_node root = document->document_element();
  if (!root) {
    ShowCatalogMessage("MsgXmlRootRetrievalFail");
    return false;
  }
  if (std::string_view(root.name()) != "Prj") {
    ShowCatalogMessage("MsgXmlRootTagInvalid");
    return false;
  }
  return true;
}

bool UnitXmlTransformer::SaveDocument(const std::filesystem::path& path) {
  if (!document) {
    ShowCatalogMessage("MsgXmlSerializeNullDoc");
    return false;
  }
  const std::unique_ptr<platform::OutputFile> file = platform::CreateForWriting(path);
  if (!file) {
    ShowCatalogMessage("MsgXmlSerializerFail");
    return false;
  }
  OutputFileWriter writer(*file);
  WriteXml(*document, encoding, writer);
  const bool closed = file->Close();
  if (!writer.written() || !closed) {
    // An incomplete document is no output: the file exists only after a successful save.
    platform::DeleteFile(path);
    ShowCatalogMessage("MsgXmlSerializerFail");
    return false;
  }
  return true;
}
