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
    // tqconv's own texts. %1, %2, ... stand for the values FormatCatalogValues puts in.
    CatalogEntry{"CliInputMissing",
     "ファイルがありません。",
     "No such file."},
    CatalogEntry{"CliInputUnreadable",
     "ファイルを読み取れません。",
     "The file cannot be read."},
    CatalogEntry{"CliInputIsFolder",
     "ファイルではなくフォルダです。",
     "This is a folder, not a file."},
    CatalogEntry{"CliNotAStream",
     "圧縮ストリームではありません。",
     "Not a compressed stream."},
    CatalogEntry{"CliStreamTruncated",
     "圧縮ストリームが途中で終わっています。",
     "The compressed stream is cut short."},
    CatalogEntry{"CliOutputExists",
     "既に存在するため、置き換えません。",
     "Exists already; not replaced."},
    CatalogEntry{"CliOutputUnwritable",
     "書き込めません。",
     "Cannot be written."},
    CatalogEntry{"CliFolderHoldsNoProject",
     "フォルダにプロジェクト（.lqt、.lqp）がありません。",
     "The folder holds no project (.lqt, .lqp)."},
    CatalogEntry{"CliFolderUnreadable",
     "フォルダを読み取れません。",
     "The folder cannot be read."},
    CatalogEntry{"CliConversionFailed",
     "変換に失敗しました。",
     "The conversion failed."},
    CatalogEntry{"CliConversionIncomplete",
     "変換を完了できません。このビルドには変換の手順が揃っていません。",
     "The conversion cannot be completed: this build does not hold every step."},
    CatalogEntry{"CliWouldConvert",
     "変換できます（出力先: %1）",
     "would convert to %1"},
    CatalogEntry{"CliSummary",
     "変換 %1 件、拒否 %2 件、失敗 %3 件（%4 秒）",
     "%1 converted, %2 refused, %3 failed (%4 s)"},
    CatalogEntry{"CliCheckSummary",
     "変換可能 %1 件、拒否 %2 件、失敗 %3 件（%4 秒）",
     "%1 would convert, %2 refused, %3 failed (%4 s)"},
    CatalogEntry{"CliSummaryRefused",
     "拒否: %1",
     "refused: %1"},
    CatalogEntry{"CliSummaryFailed",
     "失敗: %1",
     "failed: %1"},
    CatalogEntry{"CliStopped",
     "中断しました。%1 件は処理していません。",
     "Stopped; %1 not processed."},
    CatalogEntry{"CliUsageNoCommand",
     "コマンドが指定されていません。",
     "No command given."},
    CatalogEntry{"CliUsageUnknownCommand",
     "不明なコマンド「%1」です。",
     "Unknown command '%1'."},
    CatalogEntry{"CliUsageUnknownOption",
     "%2 に不明なオプション「%1」が指定されました。",
     "Unknown option '%1' for %2."},
    CatalogEntry{"CliUsageNeedsValue",
     "%1 には値が必要です。",
     "%1 needs a value."},
    CatalogEntry{"CliUsageBadValue",
     "%1 に「%2」は指定できません。指定できる値: %3",
     "%1 does not take '%2'; it takes %3."},
    CatalogEntry{"CliUsageArguments",
     "%1 の引数は %2 です。",
     "%1 takes %2."},
    CatalogEntry{"CliUsageNeedsFiles",
     "%1 には FILE または FOLDER を1つ以上指定してください。",
     "%1 needs at least one FILE or FOLDER."},
    CatalogEntry{"CliUsageWholeNumber",
     "1以上の整数",
     "a whole number from 1"},
    CatalogEntry{"CliUsageHint",
     "使い方は「%1」で表示できます。",
     "Run '%1' for the usage."},
    CatalogEntry{"ReportConfig",
     "構成: 機種 %1 → %2、CPU %3 → %4、メモリバンク %5 → %6、ユーザーメモリ %7 → %8",
     "Configuration: model %1 -> %2, CPU %3 -> %4, memory banks %5 -> %6, user memory %7 -> %8"},
    CatalogEntry{"ReportBlock",
     "ブロック %1（%2）: %3 → %4 バイト、機種名の置換 %5 件",
     "Block %1 (%2): %3 -> %4 bytes, %5 model entries replaced"},
    CatalogEntry{"ReportBlockIoTableData",
     "I/Oテーブルデータ",
     "I/O table data"},
    CatalogEntry{"ReportBlockUnitSetup",
     "ユニット設定",
     "unit setup"},
    CatalogEntry{"ReportBlockSettingsData",
     "設定データ",
     "settings data"},
    CatalogEntry{"ReportInterfacesRemoved",
     "削除したインターフェース: %1",
     "Interfaces removed: %1"},
    CatalogEntry{"ReportParametersRemoved",
     "削除したパラメータ: %1",
     "Parameters removed: %1"},
    CatalogEntry{"ReportModelNamesReplaced",
     "置換した機種名: %1 件",
     "Model names replaced: %1"},
    CatalogEntry{"ReportCpuComponentsUpdated",
     "更新したCPUコンポーネント: %1 件",
     "CPU components updated: %1"},
    CatalogEntry{"ReportNetworkUnitReplaced",
     "ネットワークユニットをテンプレートに置換: %1",
     "Network unit replaced by the template: %1"},
    CatalogEntry{"ReportIdentifiersRenumbered",
     "振り直した識別子: %1 件（%2～%3）",
     "Identifiers renumbered: %1 (%2 to %3)"},
    CatalogEntry{"ReportNoIdentifiersRenumbered",
     "振り直した識別子: なし",
     "Identifiers renumbered: none"},
    CatalogEntry{"ReportNextId",
     "NextID: %1 → %2",
     "NextID: %1 -> %2"},
    CatalogEntry{"ReportTitle",
     "変換の変更点",
     "What the conversion changed"},
    CatalogEntry{"ReportInput",
     "変換元: %1",
     "Input: %1"},
    CatalogEntry{"ReportOutput",
     "出力先: %1",
     "Output: %1"},
    CatalogEntry{"ReportYes",
     "はい",
     "yes"},
    CatalogEntry{"ReportNo",
     "いいえ",
     "no"},
    CatalogEntry{"ReportNone",
     "なし",
     "none"},
    CatalogEntry{"InspectModel",
     "機種: %1",
     "Model: %1"},
    CatalogEntry{"InspectCpu",
     "CPU: %1",
     "CPU: %1"},
    CatalogEntry{"InspectMemoryLayout",
     "メモリ配置:",
     "Memory layout:"},
    CatalogEntry{"InspectMemoryFigures",
     "メモリバンク %1、ユーザーメモリ %2",
     "memory banks %1, user memory %2"},
    CatalogEntry{"InspectSections",
     "セクション:",
     "Sections:"},
    CatalogEntry{"InspectBlock",
     "ブロック %1、%2 バイト",
     "block %1, %2 bytes"},
    CatalogEntry{"InspectUnitSetup",
     "ユニット設定:",
     "Unit setup:"},
    CatalogEntry{"InspectEquipment",
     "装置: %1",
     "Equipment: %1"},
    CatalogEntry{"InspectInterfaces",
     "インターフェース: %1 件",
     "Interfaces: %1"},
    CatalogEntry{"InspectUnits",
     "ユニット: %1 件",
     "Units: %1"},
    CatalogEntry{"InspectIdentifiers",
     "識別子: %1 件（%2～%3）、NextID %4",
     "Identifiers: %1 (%2 to %3), NextID %4"},
    CatalogEntry{"InspectUnitSetupUnreadable",
     "ユニット設定を読み取れません。",
     "The unit setup cannot be read."},
    CatalogEntry{"CliHelp",
     "使い方: tqconv コマンド [オプション]... 引数...\n"
     "TQ5A用に作られたPLCプロジェクトをTQ6A用のプロジェクトに変換し、その内容を調べます。\n"
     "\n"
     "  convert     プロジェクト（ファイル、またはフォルダ内のプロジェクト）を変換し、元の隣に書き出す\n"
     "  check       変換の全手順を実行し、各プロジェクトを変換できるかどうかを表示する\n"
     "  inspect     プロジェクトの内容を表示する\n"
     "  unit-setup  プロジェクトのユニット設定ドキュメントをファイルに書き出す\n"
     "  pack        ファイルを1つのストリームに圧縮する\n"
     "  unpack      1つのストリームを展開してファイルにする\n"
     "\n"
     "各コマンドのオプションは「tqconv コマンド --help」で、バージョンは「tqconv --version」で表示します。\n"
     "どのコマンドも --lang en|ja を指定できます（既定: ロケール LC_ALL、LC_ADDRESS、LANG から）。\n"
     "終了ステータス: 0 すべて成功、1 失敗したプロジェクトまたはファイルがある、2 使い方の誤り。\n",
     "usage: tqconv COMMAND [OPTION]... ARGUMENT...\n"
     "Converts PLC projects made for the TQ5A into projects for the TQ6A, and looks into them.\n"
     "\n"
     "  convert     convert projects (files, or the projects in folders) beside their inputs\n"
     "  check       run every step of the conversion and say whether each project would convert\n"
     "  inspect     show what a project holds\n"
     "  unit-setup  write a project's unit-setup document to a file\n"
     "  pack        compress a file into one stream\n"
     "  unpack      expand one stream into a file\n"
     "\n"
     "tqconv COMMAND --help shows a command's options; tqconv --version the version.\n"
     "Every command takes --lang en|ja (default: from the locale, LC_ALL, LC_ADDRESS, LANG).\n"
     "Exit status: 0 all succeeded, 1 a project or file failed, 2 a usage error.\n"},
    CatalogEntry{"CliHelpConvert",
     "使い方: tqconv convert [--lang en|ja] [--json] [--quiet] [-r] [-j N] [--report] [--report-dir DIR] FILE|FOLDER...\n"
     "TQ5Aの各プロジェクト（.lqtまたは.lqp）をTQ6Aのプロジェクトに変換し、元の隣に NAME_converted.EXT\n"
     "（その名前が使われていれば NAME_converted 1.EXT …）として書き出します。既存のファイルは置き換えません。\n"
     "フォルダを指定すると、その中のプロジェクトを変換します。以前の出力（*_converted.*、*_converted N.*）は除きます。\n"
     "\n"
     "  --lang en|ja      メッセージの言語\n"
     "  --json            プロジェクトごとに1つのJSONオブジェクトを標準出力へ、標準エラーには何も出さない\n"
     "  --quiet           標準出力に何も出さず、進行状況も表示しない\n"
     "  -r, --recursive   サブフォルダも探す\n"
     "  -j, --jobs N      N個のプロジェクトを同時に変換する（既定: プロセッサの数）\n"
     "  --report          各変換の変更点を出力パスの下に表示する（--json では \"changes\"）\n"
     "  --report-dir DIR  プロジェクトごとのMarkdownレポートもDIRに書き出す\n"
     "\n"
     "出力パスは標準出力に、メッセージは標準エラーに「tqconv: FILE: テキスト」の形で表示します。\n"
     "端末では進行状況の行と最後の集計を標準エラーに表示します。\n",
     "usage: tqconv convert [--lang en|ja] [--json] [--quiet] [-r] [-j N] [--report] [--report-dir DIR] FILE|FOLDER...\n"
     "Converts each TQ5A project (.lqt or .lqp) into a TQ6A project beside it, as NAME_converted.EXT\n"
     "(NAME_converted 1.EXT, ... when that name is taken); nothing is ever replaced.\n"
     "A folder gives the projects in it, except outputs of earlier runs (*_converted.*, *_converted N.*).\n"
     "\n"
     "  --lang en|ja      language of the messages\n"
     "  --json            one JSON object per project on stdout, nothing on stderr\n"
     "  --quiet           nothing on stdout, no progress line\n"
     "  -r, --recursive   search the folders' subfolders too\n"
     "  -j, --jobs N      convert N projects at once (default: the number of processors)\n"
     "  --report          what each conversion changed, under its output path (in --json: \"changes\")\n"
     "  --report-dir DIR  also one Markdown report per project in DIR\n"
     "\n"
     "Each output path is printed on stdout, messages on stderr as \"tqconv: FILE: text\". On a\n"
     "terminal a progress line and a closing summary go to stderr.\n"},
    CatalogEntry{"CliHelpCheck",
     "使い方: tqconv check [--lang en|ja] [--json] [--quiet] [-r] [-j N] [--report] FILE|FOLDER...\n"
     "変換の全手順を作業フォルダ内で実行し、何も書き出しません。各プロジェクトを変換できるかどうかと、\n"
     "できない理由を表示します。ファイルとフォルダは convert と同じように指定します。\n"
     "\n"
     "  --lang en|ja      メッセージの言語\n"
     "  --json            プロジェクトごとに1つのJSONオブジェクトを標準出力へ（\"ok\": 変換できる）\n"
     "  --quiet           標準出力に何も出さず、進行状況も表示しない\n"
     "  -r, --recursive   サブフォルダも探す\n"
     "  -j, --jobs N      N個のプロジェクトを同時に調べる（既定: プロセッサの数）\n"
     "  --report          各変換で変わる内容を表示する\n",
     "usage: tqconv check [--lang en|ja] [--json] [--quiet] [-r] [-j N] [--report] FILE|FOLDER...\n"
     "Runs every step of the conversion in its working folder and publishes nothing: says whether\n"
     "each project would convert, and why not. Takes files and folders as convert does.\n"
     "\n"
     "  --lang en|ja      language of the messages\n"
     "  --json            one JSON object per project on stdout (\"ok\": it would convert)\n"
     "  --quiet           nothing on stdout, no progress line\n"
     "  -r, --recursive   search the folders' subfolders too\n"
     "  -j, --jobs N      check N projects at once (default: the number of processors)\n"
     "  --report          what each conversion would change\n"},
    CatalogEntry{"CliHelpInspect",
     "使い方: tqconv inspect [--lang en|ja] FILE\n"
     "プロジェクトの内容を表示します: 機種、CPU、メモリ配置、セクションとそのブロック、ユニット設定\n"
     "ドキュメントの概要（装置、インターフェース、ユニット、識別子の範囲）。\n",
     "usage: tqconv inspect [--lang en|ja] FILE\n"
     "Shows what a project holds: model, CPU, memory layout, sections and their blocks, and a\n"
     "summary of the unit-setup document (equipment, interfaces, units, identifier range).\n"},
    CatalogEntry{"CliHelpUnitSetup",
     "使い方: tqconv unit-setup [--lang en|ja] [--converted] FILE OUT.xml\n"
     "プロジェクトのユニット設定ドキュメントを、保存されているとおりに展開して OUT.xml に書き出します。\n"
     "--converted を指定すると、変換後のドキュメントを書き出します。OUT.xml は置き換えません。\n",
     "usage: tqconv unit-setup [--lang en|ja] [--converted] FILE OUT.xml\n"
     "Writes the project's unit-setup document to OUT.xml, expanded as the project stores it, or with\n"
     "--converted as the conversion would leave it. OUT.xml is never replaced.\n"},
    CatalogEntry{"CliHelpPack",
     "使い方: tqconv pack [--lang en|ja] [--literal-mode 0|1] [--dictionary 1024|2048|4096] IN OUT\n"
     "IN を1つのストリームに圧縮して OUT に書き出します（既定: リテラルモード0、辞書4096バイト。\n"
     "パックされたプロジェクトと同じ）。OUT は置き換えず、完全な形でのみ作成します。\n",
     "usage: tqconv pack [--lang en|ja] [--literal-mode 0|1] [--dictionary 1024|2048|4096] IN OUT\n"
     "Compresses IN into one stream in OUT (default: literal mode 0, 4096-byte dictionary, as packed\n"
     "projects are written). OUT is never replaced and appears whole or not at all.\n"},
    CatalogEntry{"CliHelpUnpack",
     "使い方: tqconv unpack [--lang en|ja] IN OUT\n"
     "IN のストリームを展開して OUT に書き出します。209715200バイトを超えると中止します。\n"
     "OUT は置き換えず、完全な形でのみ作成します。\n",
     "usage: tqconv unpack [--lang en|ja] IN OUT\n"
     "Expands the stream in IN into OUT; stops past 209715200 bytes. OUT is never replaced and\n"
     "appears whole or not at all.\n"},
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

std::string FormatCatalogValues(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool placeholder = text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9';
    const auto index = placeholder ? static_cast<std::size_t>(text[i + 1] - '1') : values.size();
    if (index < values.size()) {
      result += values.begin()[index];
      ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::string FormatCatalogText(std::string_view text, std::string_view detail) {
  std::string result(text);
  if (detail.empty()) return result;
  const auto at = result.find("%s");
  if (at != std::string::npos) result.replace(at, 2, detail);
  return result;
}
