#include "app/message_catalog.h"

#include <array>

#include "app/ascii_case.h"
#include "platform/platform.h"

namespace {

struct CatalogEntry {
  std::string_view key;
  std::string_view japanese;
  std::string_view english;
};

// Built into the program, never changed; the scan stops at the entry with an empty key.
constexpr std::array kMessageCatalog{
    CatalogEntry{"BtnBrowse",
     "参照...",
     "Browse..."},
    CatalogEntry{"BtnCancel",
     "閉じる",
     "Close"},
    CatalogEntry{"BtnConvert",
     "変換",
     "Convert"},
    CatalogEntry{"BtnCopyPath",
     "パスをコピー",
     "Copy Path"},
    CatalogEntry{"BtnOk",
     "OK",
     "OK"},
    CatalogEntry{"DialogTitle",
     "TQ5A→TQ6A LQPプロジェクトファイルコンバータ",
     "TQ5A to TQ6A LQP Project Converter"},
    CatalogEntry{"MsgCacheCreateFail",
     "一時キャッシュフォルダの作成に失敗しました。",
     "Failed to create temporary cache directory."},
    CatalogEntry{"MsgClipOpenFail",
     "クリップボードを開けません。",
     "Cannot open clipboard."},
    CatalogEntry{"MsgClipSuccess",
     "パスをクリップボードにコピーしました。",
     "Path copied to clipboard."},
    CatalogEntry{"MsgCompressFail",
     "ZIP圧縮に失敗しました。",
     "Failed to compress ZIP."},
    CatalogEntry{"MsgEqptNodeNotFound",
     "ドキュメント内に<Eqpt ID=\"S5\">が見つかりません。",
     "<Eqpt ID=\"S5\"> not found in document."},
    CatalogEntry{"MsgEqptNull",
     "置換対象のEqptノードがNULLです。",
     "Eqpt node is null for replacement."},
    CatalogEntry{"MsgFileCreateFail",
     "一時ファイルの作成に失敗しました。",
     "Failed to create temporary file."},
    CatalogEntry{"MsgFileReadIncomplete",
     "ファイルの読み込みが不完全です。",
     "File read incomplete."},
    CatalogEntry{"MsgFileTooLarge",
     "ファイルが大きすぎます。処理に失敗しました。",
     "File too large. Processing failed."},
    CatalogEntry{"MsgIOTableEmpty",
     "I/Oテーブルデータが空です。",
     "I/O table data is empty."},
    CatalogEntry{"MsgLocalTimeFail",
     "現在時刻の取得に失敗しました。",
     "Failed to get current local time."},
    CatalogEntry{"MsgMemFail",
     "メモリが不足しています。",
     "Insufficient memory."},
    CatalogEntry{"MsgMergeFail",
     "データのマージに失敗しました。",
     "Data merge failed."},
    CatalogEntry{"MsgOnePLC",
     "あらかじめ PLC を 1 つにしたプロジェクトを準備するようにしてください",
     "Please prepare a project configured for a single PLC in advance."},
    CatalogEntry{"MsgOnlyTQ5A",
     "本コンバータは TQ5A のみが変換の対象です。",
     "This converter only supports TQ5A for conversion."},
    CatalogEntry{"MsgOpenProjectFail",
     "プロジェクトファイルを開けませんでした。",
     "Failed to open project file."},
    CatalogEntry{"MsgOpenProcessedFileFail",
     "処理済みファイルの開込に失敗しました",
     "Failed to open processed file"},
    CatalogEntry{"MsgOpenTempFail",
     "一時ファイルの開込に失敗しました。",
     "Failed to open temporary file."},
    CatalogEntry{"MsgParseFail",
     "設定ファイルの解析に失敗しました。",
     "Failed to parse config file."},
    CatalogEntry{"MsgPathTooLong",
     "パスが長すぎます。",
     "Path is too long."},
    CatalogEntry{"MsgPrjNextIDNull",
     "ルート要素がNULLです。",
     "Root element is null."},
    CatalogEntry{"MsgProcessedFileEmpty",
     "処理済みファイルが空です。",
     "Processed file is empty."},
    CatalogEntry{"MsgReadFail",
     "ファイルの読み取りに失敗しました。",
     "Failed to read file."},
    CatalogEntry{"MsgReplaceNodeFail",
     "置換ノードの作成に失敗しました。",
     "Failed to create replacement node."},
    CatalogEntry{"MsgReplaceNoParent",
     "置換対象のノードに親要素がありません。",
     "Target node has no parent for replacement."},
    CatalogEntry{"MsgReplaceRootNotComp",
     "テンプレートXMLのルートタグは<Comp>ではありません。",
     "Replacement XML root is not <Comp>."},
    CatalogEntry{"MsgReplaceXmlParseFail",
     "テンプレートXMLの解析に失敗しました。",
     "Failed to parse replacement XML."},
    CatalogEntry{"MsgResourceCopyFail",
     "リソースのデータコピーに失敗しました。",
     "Failed to copy resource data."},
    CatalogEntry{"MsgResourceNotFound",
     "リソースが見つかりません。",
     "Resource not found."},
    CatalogEntry{"MsgResourceLoadFail",
     "リソースの読み込みに失敗しました。",
     "Failed to load resource."},
    CatalogEntry{"MsgResourceEmpty",
     "リソースが空です。",
     "Resource is empty."},
    CatalogEntry{"MsgResourceLockFail",
     "リソースのロックに失敗しました。",
     "Failed to lock resource."},
    CatalogEntry{"MsgResult",
     "変換が正常に完了しました。",
     "Conversion succeeded."},
    CatalogEntry{"MsgSaveFail",
     ".lqtの保存に失敗しました。",
     "Failed to save .lqt."},
    CatalogEntry{"MsgSelectFile",
     "ファイルを選択してください。",
     "Please select a file first."},
    CatalogEntry{"MsgStdException",
     "標準例外が発生しました: %s",
     "Standard exception: %s"},
    CatalogEntry{"MsgTempCopyFail",
     "一時ファイルのコピーに失敗しました。",
     "Failed to copy temporary file."},
    CatalogEntry{"MsgUnexpectedError",
     "予期せぬエラーが発生しました。",
     "An unexpected error occurred."},
    CatalogEntry{"MsgUnitSetupDataNull",
     "ユニット設定データがNULLです。",
     "Unit setup data is NULL."},
    CatalogEntry{"MsgUnknownException",
     "不明な例外が発生しました。",
     "Unknown exception occurred."},
    CatalogEntry{"MsgUnsupportedExt",
     "対応していないファイル形式です。\n対応: .lqt, .lqp",
     "Unsupported file type.\nSupported: .lqt, .lqp"},
    CatalogEntry{"MsgXmlDocNull",
     "ドキュメントポインターが無効です。",
     "Document pointer is invalid."},
    CatalogEntry{"MsgXmlParseFail",
     "XMLファイルの解析に失敗しました: %s",
     "Failed to parse XML file: %s"},
    CatalogEntry{"MsgXmlRootRetrievalFail",
     "ルート要素の取得に失敗しました。",
     "Failed to retrieve root element."},
    CatalogEntry{"MsgXmlRootTagInvalid",
     "ルートノードは<Prj>である必要があります。",
     "Root node must be <Prj>."},
    CatalogEntry{"MsgXmlSerializeNullDoc",
     "NULLドキュメントはシリアライズできません。",
     "Cannot serialize null document."},
    CatalogEntry{"MsgXmlSerializerFail",
     "DOMLSSerializerの作成に失敗しました。",
     "Failed to create DOMLSSerializer."},
    CatalogEntry{"MsgXmlSerializerImplFail",
     "DOMImplementationの取得に失敗しました。",
     "Cannot get DOMImplementation."},
    CatalogEntry{"MsgXmlTransformNull",
     "変換処理中にドキュメントまたはEqptノードがNULLです。",
     "Document or Eqpt node is null for transformations."},
    CatalogEntry{"MsgZipExtractFail",
     "LQPファイルの展開に失敗しました。",
     "Failed to extract .lqp archive."},
    CatalogEntry{"MsgZipFail",
     ".lqpへのパックに失敗しました。",
     "Failed to pack into .lqp."},
    CatalogEntry{"StaticFile",
     "変換元のLQP/LQTプロジェクトファイルを指定してください。",
     "Please select the source LQP/LQT project file for conversion."},
    CatalogEntry{"StaticPath",
     "出力先:",
     "Output Path:"},
    CatalogEntry{"StaticTop",
     "TQ5AのLQPプロジェクトファイルをPLCシステム設定とユニッ卜設定を保持して機種変換します。",
     "Converts TQ5A LQP project files to a new PLC model while preserving the PLC system and unit settings."},
    CatalogEntry{"", "", ""},
};

}  // namespace

std::string LookupMessage(std::string_view key) {
  for (const CatalogEntry& entry : kMessageCatalog) {
    if (entry.key.empty()) break;
    if (entry.key == key) {
      return std::string(CurrentLanguage() == "JP" ? entry.japanese : entry.english);
    }
  }
  return std::string(key);
}

std::string& CurrentLanguage() {
  static std::string language = "JP";
  return language;
}

void SelectLanguage() {
  const std::string nation = platform::UserNationCode();
  CurrentLanguage() = EqualsIgnoringAsciiCase(nation, "JP") ? "JP" : "EN";
}

std::string FormatCatalogText(std::string_view text, std::string_view detail) {
  std::string result(text);
  if (detail.empty()) return result;
  const auto at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, detail);
  return result;
}
