#include "platform/messages.h"

#include <cctype>
#include <cstdlib>
#include <vector>

namespace kivo {
namespace {

// Every text the engine shows to a user, also those of readers and tools still
// to come, so that one table serves the command line and the GUI's English mode.
// The engine's own English texts ("Trailer Error!") need no row.
const MessageText kMessages[] = {
    // Errors.
    {"NoMemory", "メモリが足りません。", "Not enough memory."},
    {"OpenFailed", "ファイルオープンに失敗しました。", "The file could not be opened."},
    {"WriteFailed", "書き込みに失敗しました。", "Writing failed."},
    {"WriteFailedAfterError", "エラーのため、書き込み失敗しました。", "Writing failed because of an error."},
    {"WriteFailedShort", "書き込み失敗しました。", "Writing failed."},
    {"TempWriteFailed", "テンポラリ書き込みに失敗しました。", "The temporary file could not be written."},
    {"LoadFailed", "ロード失敗しました。", "Loading failed."},
    {"GifHeaderError", "Gif ヘッダリードエラー", "GIF header read error: this is not a GIF file, or it is damaged."},
    {"GifGlobalTableError", "グローバルカラーテーブルリードエラー", "Global colour table read error."},
    {"GifUndefinedCode", "OX%02X は、未定義コードです。", "0x%1 is an undefined block code."},
    {"GifNoTrailer", "警告! 終了コードが有りません。", "Warning! The file has no end code; it may be cut short."},
    {"GifCutInFrame", "「%s」は %d コマ目の途中で切れています。", "\"%1\" is cut off in the middle of frame %2."},
    {"GifCutBeforeFrames", "「%s」は最初のコマより前で切れています。", "\"%1\" is cut off before its first frame."},
    {"ZeroWidth", "幅が 0 では作れません。", "A frame cannot be made with a width of 0."},
    {"NoPixels", "幅か高さが 0 の画像は読み込めません。", "A picture with a width or height of 0 cannot be read."},
    {"UnknownFormat", "このファイルの形式は読めません。", "Files of this kind cannot be read."},
    {"OneFrameOnly", "この形式には 1 コマしか保存できません。", "This format holds only one frame."},
    {"NameTooLong", "ファイル名が長すぎます。", "The file name is too long."},
    {"KeyExists", "すでにそのキーは存在します。", "That key is already in the list."},
    {"ZeroHeight", "高さが 0 では作れません。", "A frame cannot be made with a height of 0."},
    {"PaintNotFound", "ペイントツール(MSPAINT.EXE)が見つかりません。", "The paint program was not found."},
    {"ProgramNotFound", "%s\rソフトが見つかりません。", "%1\rThis program was not found."},
    {"SettingsNotWritten", "設定ファイルに書き込めませんでした。\r%s\r%s",
     "The settings file could not be written.\r%1\r%2"},
    {"AviCodecFullColour", "フルカラーで、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。",
     "This compressor may not take full-colour frames.\rPlease choose another compressor."},
    {"AviTooLarge", "AVI が大きすぎて、読み込めません。", "The AVI is too large to read into memory."},
    {"AviNoDecoder", "この AVI の圧縮形式は読めません。", "This AVI's compression format cannot be read."},
    {"AviCodec256", "256色で、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。",
     "This compressor may not take 256-colour frames.\rPlease choose another compressor."},

    // The editor window.
    {"DocOpenFailed", "オープンに失敗しました。", "Opening failed."},
    {"SomeOpensFailed", "いくつかのファイルオープンに失敗しました。", "Some of the files could not be opened."},
    {"AskSaveChanges", "%s は、変更されています。\r上書き保管をしますか?",
     "%1 has been changed.\rDo you want to save it?"},
    {"SaveAsGifNotice",
     "「%s」には GIF アニメーションを書き込みます。\r1 コマの画像は「選択コマの保存」、動画は「AVI 保存」で保存できます。",
     "\"%1\" will hold a GIF animation.\rSingle pictures are saved with Save Selected Frames, video with Save AVI."},
    {"HelpMissing", "ヘルプファイルが見つかりません。", "The manual was not found."},
    // Lines of longer messages, which are put together from them.
    {"OpenCompleteFrames", "読み込めた %d コマだけを開きますか?", "Open only the frames that were read whole (%1)?"},
    {"NotOverTheFile", "(元のファイルには上書きしません。保存するときに名前を付けます。)",
     "(They are not saved over the damaged file: saving asks for a new name.)"},
    {"StartupSkipped", "次のファイルを開けないため、何も開きませんでした。",
     "Nothing was opened, because these files cannot be opened:"},
    {"NoSuchFile", "%s（ファイルがありません）", "%1 (no such file)"},
    {"IsFolder", "%s（フォルダです）", "%1 (a folder)"},
    {"NoReadPermission", "%s（読み取りの権限がありません）", "%1 (cannot be read: no permission)"},

    // The frame tools of the editor.
    {"SizeTooLarge", "コマの幅と高さは 32767 までです。", "A frame can be at most 32767 pixels wide and high."},
    {"SizeTooManyPixels", "この大きさのコマは作れません。", "A frame this large cannot be made."},
    {"PasteSideRange", "貼り付ける画像の幅と高さは 1 から 32767 までです。",
     "A pasted picture must be 1 to 32767 pixels wide and high."},
    {"PasteTooLarge", "画像が大きすぎて貼り付けられません。", "The picture is too large to paste."},
    {"NoSaveFolder", "保存先のフォルダを指定してください。", "Please give the folder to save in."},
    {"RelativeSaveFolder", "保存先のフォルダは / から始まるパスで指定してください。",
     "Please give the folder to save in as a path starting with /."},
    {"PaintNotFoundOnPath", "ペイントツール(%s)が見つかりません。",
     "No paint program (%1) was found.\rChoose one in the other options."},
    {"PaintDidNotStart", "%s\rを起動できませんでした。", "%1\rcould not be started."},

    // Names of a new document.
    {"NewGif", "新規.gif", "New.gif"},
    {"NewMng", "新規.mng", "New.mng"},

    // Progress dialog: titles, fixed line, button.
    {"TitleReading", "Kivo 読み込み中...", "Kivo - reading..."},
    {"TitleSaving", "Kivo 保存中...", "Kivo - saving..."},
    {"TitlePaintEditing", "Kivo ペイント編集中！", "Kivo - editing in the paint program!"},
    {"TitleOptimizing", "Kivo 最適化中...", "Kivo - optimizing..."},
    {"PleaseWait", "少々お待ちください", "Please wait"},
    {"Cancel", "中止", "Cancel"},

    // Progress lines.
    {"Checking", "チェック中...", "Checking..."},
    {"GifReading", "GIF 読み取り中...", "Reading GIF..."},
    {"GifReadingCount", "GIF 読み取り中...\r %4d コマ", "Reading GIF...\r %1 frames"},
    {"GifWriting", "GIF 書き込み中...", "Writing GIF..."},
    {"GifWritingCount", "GIF 書き込み中...\r %4d / %4d コマ", "Writing GIF...\r %1 / %2 frames"},
    {"MngReading", "MNG 読み取り中...", "Reading MNG..."},
    {"MngReadingCount", "MNG 読み取り中...\r %4d コマ", "Reading MNG...\r %1 frames"},
    {"AviReading", "AVI 読み取り中...", "Reading AVI..."},
    {"AviReadingCount", "AVI 読み取り中...\r %4d / %4d コマ", "Reading AVI...\r %1 / %2 frames"},
    {"AviWriting", "AVI 書き込み中...", "Writing AVI..."},
    {"AviWritingCount", "AVI 書き込み中...\r %4d / %4d コマ", "Writing AVI...\r %1 / %2 frames"},
    {"DibForWriting", "書き込み用DIB作成中...", "Making pictures for writing..."},
    {"DibForWritingCount", "書き込み用DIB作成中...\r %4d / %4d コマ", "Making pictures for writing...\r %1 / %2 frames"},
    {"Dib256", "256 DIB作成中...", "Making 256-colour pictures..."},
    {"Dib256Count", "256 DIB作成中...\r %4d / %4d コマ", "Making 256-colour pictures...\r %1 / %2 frames"},
    {"PaletteImages", "パレットイメージ作成中...", "Making palette images..."},
    {"Cropping", "サイズ最適化中...", "Optimizing frame sizes..."},
    {"CroppingCount", "サイズ最適化中...\r %4d / %4d コマ", "Optimizing frame sizes...\r %1 / %2 frames"},
    {"TransparencyCount", "透過色で最適化中...\r %4d / %4d コマ",
     "Optimizing with transparency...\r %1 / %2 frames"},
    {"PaintEditing",
     "現在ペイントツールでコマの編集中です。\r\r編集が終わったら\r上書き保管をしてペイントツールを閉じてください。\r\r中止ボタンで Kivo 通常操作に戻ります。",
     "A frame is being edited in the paint program.\r\rWhen you are done,\rsave over the same file and close the paint program.\r\r"
     "The Cancel button returns to Kivo."},
};

using Values = std::vector<std::string_view>;

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Matches text against a printf pattern, collecting the text of each value.
bool Match(std::string_view pattern, std::string_view text, Values& values) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] != '%' || pattern.substr(0, 2) == "%%") {
        const size_t n = pattern[0] == '%' ? 2 : 1;
        return !text.empty() && text[0] == pattern[0] && Match(pattern.substr(n), text.substr(1), values);
    }
    size_t p = 1;
    while (p < pattern.size() && (IsDigit(pattern[p]) || pattern[p] == '-')) ++p;
    if (p >= pattern.size()) return false;
    const char conversion = pattern[p];
    const std::string_view rest = pattern.substr(p + 1);
    size_t end = 0;
    if (conversion == 's') {
        // Any text within one line, shortest first: what follows decides where
        // it ends. Values are names and numbers, never several lines, so a
        // message of several lines cannot pass for a one-line row.
        for (end = 1; end <= text.size() && text[end - 1] != '\r'; ++end) {
            values.push_back(text.substr(0, end));
            if (Match(rest, text.substr(end), values)) return true;
            values.pop_back();
        }
        return false;
    }
    while (end < text.size() && text[end] == ' ') ++end;  // width padding
    if (conversion == 'd' && end < text.size() && text[end] == '-') ++end;
    const size_t digits = end;
    while (end < text.size() && (conversion == 'd' ? IsDigit(text[end]) : IsHexDigit(text[end]))) ++end;
    if (end == digits || (conversion != 'd' && conversion != 'X' && conversion != 'x')) return false;
    values.push_back(text.substr(0, end));
    if (Match(rest, text.substr(end), values)) return true;
    values.pop_back();
    return false;
}

std::string Fill(std::string_view english, const Values& values) {
    std::string out;
    for (size_t i = 0; i < english.size(); ++i) {
        if (english[i] == '%' && i + 1 < english.size() && IsDigit(english[i + 1])) {
            const size_t k = size_t(english[++i] - '1');
            if (k < values.size()) out += values[k];
        } else {
            out += english[i];
        }
    }
    return out;
}

}  // namespace

std::span<const MessageText> MessageTable() { return kMessages; }

const MessageText* FindMessageById(std::string_view id) {
    for (const MessageText& m : kMessages)
        if (m.id == id) return &m;
    return nullptr;
}

std::string EnglishFor(std::string_view shown) {
    Values values;
    for (const MessageText& m : kMessages) {
        values.clear();
        if (Match(m.japanese, shown, values)) return Fill(m.english, values);
    }
    // A message put together line by line (a question after what went wrong,
    // a list of names) is translated line by line, when every line has a row.
    if (shown.find('\r') == std::string_view::npos) return {};
    std::string english;
    for (size_t start = 0;;) {
        const size_t end = shown.find('\r', start);
        const std::string_view line = shown.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) {
            const std::string translated = EnglishFor(line);
            if (translated.empty()) return {};
            english += translated;
        }
        if (end == std::string_view::npos) return english;
        english += '\r';
        start = end + 1;
    }
}

bool UserReadsJapanese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string_view(value).substr(0, 2) == "ja";
    }
    return false;
}

}  // namespace kivo
