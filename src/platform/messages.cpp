#include "platform/messages.h"

#include <cctype>
#include <cstdlib>
#include <vector>

#include "platform/translatable.h"

namespace kivo {
namespace {

// Every text the engine shows to a user, also those of readers and tools still
// to come, so that one table serves the command line and the GUI's English mode.
// The engine's own English texts ("Trailer Error!") need no row.
const MessageText kMessages[] = {
    // Errors.
    {"NoMemory", KIVO_TR_NOOP("Messages", "メモリが足りません。"), "Not enough memory."},
    {"OpenFailed", KIVO_TR_NOOP("Messages", "ファイルオープンに失敗しました。"), "The file could not be opened."},
    {"WriteFailed", KIVO_TR_NOOP("Messages", "書き込みに失敗しました。"), "Writing failed."},
    {"WriteFailedAfterError", KIVO_TR_NOOP("Messages", "エラーのため、書き込み失敗しました。"),
     "Writing failed because of an error."},
    {"TargetSizeTooSmall",
     KIVO_TR_NOOP("Messages", "%s バイトに収まりません。ロッシー 200、8 色まで試した中で最も小さいファイル (ロッシー %d、%d 色) でも %s バイトになります。"),
     "The file does not fit in %1 bytes: of everything tried, up to lossiness 200 with 8 colours, the smallest file (lossiness %2, %3 colours) is %4 bytes."},
    {"WriteFailedShort", KIVO_TR_NOOP("Messages", "書き込み失敗しました。"), "Writing failed."},
    {"TempWriteFailed", KIVO_TR_NOOP("Messages", "テンポラリ書き込みに失敗しました。"),
     "The temporary file could not be written."},
    {"LoadFailed", KIVO_TR_NOOP("Messages", "ロード失敗しました。"), "Loading failed."},
    {"GifHeaderError", KIVO_TR_NOOP("Messages", "Gif ヘッダリードエラー"),
     "GIF header read error: this is not a GIF file, or it is damaged."},
    {"GifGlobalTableError", KIVO_TR_NOOP("Messages", "グローバルカラーテーブルリードエラー"),
     "Global colour table read error."},
    {"GifUndefinedCode", KIVO_TR_NOOP("Messages", "OX%02X は、未定義コードです。"),
     "0x%1 is an undefined block code."},
    {"GifNoTrailer", KIVO_TR_NOOP("Messages", "警告! 終了コードが有りません。"),
     "Warning! The file has no end code; it may be cut short."},
    {"GifCutInFrame", KIVO_TR_NOOP("Messages", "「%s」は %d コマ目の途中で切れています。"),
     "\"%1\" is cut off in the middle of frame %2."},
    {"GifCutBeforeFrames", KIVO_TR_NOOP("Messages", "「%s」は最初のコマより前で切れています。"),
     "\"%1\" is cut off before its first frame."},
    {"ZeroWidth", KIVO_TR_NOOP("Messages", "幅が 0 では作れません。"), "A frame cannot be made with a width of 0."},
    {"NoPixels", KIVO_TR_NOOP("Messages", "幅か高さが 0 の画像は読み込めません。"),
     "A picture with a width or height of 0 cannot be read."},
    {"UnknownFormat", KIVO_TR_NOOP("Messages", "このファイルの形式は読めません。"),
     "Files of this kind cannot be read."},
    {"OneFrameOnly", KIVO_TR_NOOP("Messages", "この形式には 1 コマしか保存できません。"),
     "This format holds only one frame."},
    {"NameTooLong", KIVO_TR_NOOP("Messages", "ファイル名が長すぎます。"), "The file name is too long."},
    {"KeyExists", KIVO_TR_NOOP("Messages", "すでにそのキーは存在します。"), "That key is already in the list."},
    {"ZeroHeight", KIVO_TR_NOOP("Messages", "高さが 0 では作れません。"),
     "A frame cannot be made with a height of 0."},
    {"PaintNotFound", KIVO_TR_NOOP("Messages", "ペイントツール(MSPAINT.EXE)が見つかりません。"),
     "The paint program was not found."},
    {"ProgramNotFound", KIVO_TR_NOOP("Messages", "%s\rソフトが見つかりません。"), "%1\rThis program was not found."},
    {"SettingsNotWritten", KIVO_TR_NOOP("Messages", "設定ファイルに書き込めませんでした。\r%s\r%s"),
     "The settings file could not be written.\r%1\r%2"},
    {"AviCodecFullColour",
     KIVO_TR_NOOP("Messages", "フルカラーで、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。"),
     "This compressor may not take full-colour frames.\rPlease choose another compressor."},
    {"AviTooLarge", KIVO_TR_NOOP("Messages", "AVI が大きすぎて、読み込めません。"),
     "The AVI is too large to read into memory."},
    {"AviNoDecoder", KIVO_TR_NOOP("Messages", "この AVI の圧縮形式は読めません。"),
     "This AVI's compression format cannot be read."},
    {"AviCodec256",
     KIVO_TR_NOOP("Messages", "256色で、可能な圧縮形式ではない可能性があります。\r別の圧縮形式を選択してください。"),
     "This compressor may not take 256-colour frames.\rPlease choose another compressor."},

    // The editor window.
    {"DocOpenFailed", KIVO_TR_NOOP("Messages", "オープンに失敗しました。"), "Opening failed."},
    {"SomeOpensFailed", KIVO_TR_NOOP("Messages", "いくつかのファイルオープンに失敗しました。"),
     "Some of the files could not be opened."},
    {"AskSaveChanges", KIVO_TR_NOOP("Messages", "%s は、変更されています。\r上書き保管をしますか?"),
     "%1 has been changed.\rDo you want to save it?"},
    {"SaveAsGifNotice",
     KIVO_TR_NOOP("Messages",
                  "「%s」には GIF アニメーションを書き込みます。\r"
                  "1 コマの画像は「選択コマの保存」、動画は「AVI 保存」で保存できます。"),
     "\"%1\" will hold a GIF animation.\rSingle pictures are saved with Save Selected Frames, video with Save AVI."},
    {"HelpMissing", KIVO_TR_NOOP("Messages", "ヘルプファイルが見つかりません。"), "The manual was not found."},
    // Lines of longer messages, which are put together from them.
    {"OpenCompleteFrames", KIVO_TR_NOOP("Messages", "読み込めた %d コマだけを開きますか?"),
     "Open only the frames that were read whole (%1)?"},
    {"NotOverTheFile", KIVO_TR_NOOP("Messages", "(元のファイルには上書きしません。保存するときに名前を付けます。)"),
     "(They are not saved over the damaged file: saving asks for a new name.)"},
    {"StartupSkipped", KIVO_TR_NOOP("Messages", "次のファイルを開けないため、何も開きませんでした。"),
     "Nothing was opened, because these files cannot be opened:"},
    {"NoSuchFile", KIVO_TR_NOOP("Messages", "%s（ファイルがありません）"), "%1 (no such file)"},
    {"IsFolder", KIVO_TR_NOOP("Messages", "%s（フォルダです）"), "%1 (a folder)"},
    {"NoReadPermission", KIVO_TR_NOOP("Messages", "%s（読み取りの権限がありません）"),
     "%1 (cannot be read: no permission)"},

    // The frame tools of the editor.
    {"SizeTooLarge", KIVO_TR_NOOP("Messages", "コマの幅と高さは 32767 までです。"),
     "A frame can be at most 32767 pixels wide and high."},
    {"SizeTooManyPixels", KIVO_TR_NOOP("Messages", "この大きさのコマは作れません。"),
     "A frame this large cannot be made."},
    {"PasteSideRange", KIVO_TR_NOOP("Messages", "貼り付ける画像の幅と高さは 1 から 32767 までです。"),
     "A pasted picture must be 1 to 32767 pixels wide and high."},
    {"PasteTooLarge", KIVO_TR_NOOP("Messages", "画像が大きすぎて貼り付けられません。"),
     "The picture is too large to paste."},
    {"NoSaveFolder", KIVO_TR_NOOP("Messages", "保存先のフォルダを指定してください。"),
     "Please give the folder to save in."},
    {"RelativeSaveFolder", KIVO_TR_NOOP("Messages", "保存先のフォルダは / から始まるパスで指定してください。"),
     "Please give the folder to save in as a path starting with /."},
    {"PaintNotFoundOnPath", KIVO_TR_NOOP("Messages", "ペイントツール(%s)が見つかりません。"),
     "No paint program (%1) was found.\rChoose one in the other options."},
    {"PaintDidNotStart", KIVO_TR_NOOP("Messages", "%s\rを起動できませんでした。"), "%1\rcould not be started."},

    // Names of a new document.
    {"NewGif", KIVO_TR_NOOP("Messages", "新規.gif"), "New.gif"},
    {"NewMng", KIVO_TR_NOOP("Messages", "新規.mng"), "New.mng"},

    // Progress dialog: titles, fixed line, button.
    {"TitleReading", KIVO_TR_NOOP("Messages", "Kivo 読み込み中..."), "Kivo - reading..."},
    {"TitleSaving", KIVO_TR_NOOP("Messages", "Kivo 保存中..."), "Kivo - saving..."},
    {"TitlePaintEditing", KIVO_TR_NOOP("Messages", "Kivo ペイント編集中！"), "Kivo - editing in the paint program!"},
    {"TitleOptimizing", KIVO_TR_NOOP("Messages", "Kivo 最適化中..."), "Kivo - optimizing..."},
    {"PleaseWait", KIVO_TR_NOOP("Messages", "少々お待ちください"), "Please wait"},
    {"Cancel", KIVO_TR_NOOP("Messages", "中止"), "Cancel"},

    // Progress lines.
    {"Checking", KIVO_TR_NOOP("Messages", "チェック中..."), "Checking..."},
    {"GifReading", KIVO_TR_NOOP("Messages", "GIF 読み取り中..."), "Reading GIF..."},
    {"GifReadingCount", KIVO_TR_NOOP("Messages", "GIF 読み取り中...\r %4d コマ"), "Reading GIF...\r %1 frames"},
    {"GifWriting", KIVO_TR_NOOP("Messages", "GIF 書き込み中..."), "Writing GIF..."},
    {"GifWritingCount", KIVO_TR_NOOP("Messages", "GIF 書き込み中...\r %4d / %4d コマ"),
     "Writing GIF...\r %1 / %2 frames"},
    {"MngReading", KIVO_TR_NOOP("Messages", "MNG 読み取り中..."), "Reading MNG..."},
    {"MngReadingCount", KIVO_TR_NOOP("Messages", "MNG 読み取り中...\r %4d コマ"), "Reading MNG...\r %1 frames"},
    {"AviReading", KIVO_TR_NOOP("Messages", "AVI 読み取り中..."), "Reading AVI..."},
    {"AviReadingCount", KIVO_TR_NOOP("Messages", "AVI 読み取り中...\r %4d / %4d コマ"),
     "Reading AVI...\r %1 / %2 frames"},
    {"AviWriting", KIVO_TR_NOOP("Messages", "AVI 書き込み中..."), "Writing AVI..."},
    {"ApngWriting", KIVO_TR_NOOP("Messages", "APNG 書き込み中..."), "Writing APNG..."},
    {"AviWritingCount", KIVO_TR_NOOP("Messages", "AVI 書き込み中...\r %4d / %4d コマ"),
     "Writing AVI...\r %1 / %2 frames"},
    {"WebpReading", KIVO_TR_NOOP("Messages", "WebP 読み取り中..."), "Reading WebP..."},
    {"WebpWriting", KIVO_TR_NOOP("Messages", "WebP 書き込み中..."), "Writing WebP..."},
    {"WebpWritingCount", KIVO_TR_NOOP("Messages", "WebP 書き込み中...\r %4d / %4d コマ"),
     "Writing WebP...\r %1 / %2 frames"},
    {"WebpNotReadable", KIVO_TR_NOOP("Messages", "WebP ファイルとして読めません。"), "This file cannot be read as WebP."},
    {"WebpTooLarge", KIVO_TR_NOOP("Messages", "WebP の画像が大きすぎるか、コマが多すぎます。"),
     "The WebP picture is too large or has too many frames."},
    {"WebpDamaged", KIVO_TR_NOOP("Messages", "WebP ファイルが壊れています。"), "The WebP file is damaged."},
    {"DibForWriting", KIVO_TR_NOOP("Messages", "書き込み用DIB作成中..."), "Making pictures for writing..."},
    {"DibForWritingCount", KIVO_TR_NOOP("Messages", "書き込み用DIB作成中...\r %4d / %4d コマ"),
     "Making pictures for writing...\r %1 / %2 frames"},
    {"Dib256", KIVO_TR_NOOP("Messages", "256 DIB作成中..."), "Making 256-colour pictures..."},
    {"Dib256Count", KIVO_TR_NOOP("Messages", "256 DIB作成中...\r %4d / %4d コマ"),
     "Making 256-colour pictures...\r %1 / %2 frames"},
    {"PaletteImages", KIVO_TR_NOOP("Messages", "パレットイメージ作成中..."), "Making palette images..."},
    {"Cropping", KIVO_TR_NOOP("Messages", "サイズ最適化中..."), "Optimizing frame sizes..."},
    {"CroppingCount", KIVO_TR_NOOP("Messages", "サイズ最適化中...\r %4d / %4d コマ"),
     "Optimizing frame sizes...\r %1 / %2 frames"},
    {"TransparencyCount", KIVO_TR_NOOP("Messages", "透過色で最適化中...\r %4d / %4d コマ"),
     "Optimizing with transparency...\r %1 / %2 frames"},
    {"PaintEditing",
     KIVO_TR_NOOP("Messages",
                  "現在ペイントツールでコマの編集中です。\r\r編集が終わったら\r"
                  "上書き保管をしてペイントツールを閉じてください。\r\r中止ボタンで Kivo 通常操作に戻ります。"),
     "A frame is being edited in the paint program.\r\rWhen you are done,\rsave over the same file and close the paint program.\r\r"
     "The Cancel button returns to Kivo."},
    // Video clips in, MP4 and WebM out.
    {"VideoTooLong",
     KIVO_TR_NOOP("Messages", "動画のコマがメモリに入りきりません。\r%d コマ × %d×%d ピクセルで %d MB、読み込めるのは %d MB までです。"
                              "\rフレームレートを下げるか、範囲を短くしてください。"),
     "The video's frames do not fit into memory.\r%1 frames of %2×%3 pixels take %4 MB; at most %5 MB can be read."
     "\rLower the frame rate or choose a shorter range."},
    {"VideoTooLarge", KIVO_TR_NOOP("Messages", "動画が大きすぎて、読み込めません。"),
     "The video is too large to read into memory."},
    {"VideoNoDecoder", KIVO_TR_NOOP("Messages", "この動画の圧縮形式は読めません。"),
     "This video's compression format cannot be read."},
    {"VideoReading", KIVO_TR_NOOP("Messages", "動画読み取り中..."), "Reading video..."},
    {"VideoReadingCount", KIVO_TR_NOOP("Messages", "動画読み取り中...\r %4d / %4d コマ"),
     "Reading video...\r %1 / %2 frames"},
    {"VideoWriting", KIVO_TR_NOOP("Messages", "動画書き込み中..."), "Writing video..."},
    {"VideoWritingCount", KIVO_TR_NOOP("Messages", "動画書き込み中...\r %4d / %4d コマ"),
     "Writing video...\r %1 / %2 frames"},
    {"NoH264Encoder", KIVO_TR_NOOP("Messages", "この FFmpeg には H.264 のエンコーダ (libx264) がありません。"),
     "This FFmpeg has no H.264 encoder (libx264)."},
    {"NoVp9Encoder", KIVO_TR_NOOP("Messages", "この FFmpeg には VP9 のエンコーダ (libvpx-vp9) がありません。"),
     "This FFmpeg has no VP9 encoder (libvpx-vp9)."},
};

using Values = std::vector<std::string_view>;

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool Match(std::string_view pattern, std::string_view text, Values& values) {
    if (pattern.empty()) return text.empty();
    if (pattern[0] != '%' || pattern.substr(0, 2) == "%%") {
        const size_t n = pattern[0] == '%' ? 2 : 1;
        return !text.empty() && text[0] == pattern[0] && Match(pattern.substr(n), text.substr(1), values);
    }
    size_t p = 1;
    while (p < pattern.size() && (IsDigit(pattern[p]) || pattern[p] == '-')) ++p;
    while (p < pattern.size() && (pattern[p] == 'l' || pattern[p] == 'z' || pattern[p] == 'h')) ++p;  // size only
    if (p >= pattern.size()) return false;
    const char conversion = pattern[p] == 'u' ? 'd' : pattern[p];
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

}  // namespace

bool MatchPattern(std::string_view pattern, std::string_view text, std::vector<std::string_view>& values) {
    values.clear();
    return Match(pattern, text, values);
}

std::string FillPattern(std::string_view translated, std::span<const std::string> values) {
    std::string out;
    for (size_t i = 0; i < translated.size(); ++i) {
        if (translated[i] == '%' && i + 1 < translated.size() && IsDigit(translated[i + 1])) {
            const size_t k = size_t(translated[++i] - '1');
            if (k < values.size()) out += values[k];
        } else {
            out += translated[i];
        }
    }
    return out;
}

std::span<const MessageText> MessageTable() { return kMessages; }

const MessageText* FindMessageById(std::string_view id) {
    for (const MessageText& m : kMessages)
        if (m.id == id) return &m;
    return nullptr;
}

std::string TranslateShown(std::string_view shown, const RowTranslation& translate,
                           const ValueTranslation& translateValue) {
    Values values;
    for (const MessageText& m : kMessages) {
        values.clear();
        if (!Match(m.japanese, shown, values)) continue;
        std::vector<std::string> filled;
        for (std::string_view v : values) filled.push_back(translateValue ? translateValue(v) : std::string(v));
        return FillPattern(translate(m), filled);
    }
    // A message put together line by line (a question after what went wrong,
    // a list of names) is translated line by line, when every line has a row.
    if (shown.find('\r') == std::string_view::npos) return {};
    std::string translated;
    for (size_t start = 0;;) {
        const size_t end = shown.find('\r', start);
        const std::string_view line = shown.substr(start, end == std::string_view::npos ? end : end - start);
        if (!line.empty()) {
            const std::string lineTranslated = TranslateShown(line, translate, translateValue);
            if (lineTranslated.empty()) return {};
            translated += lineTranslated;
        }
        if (end == std::string_view::npos) return translated;
        translated += '\r';
        start = end + 1;
    }
}

std::string EnglishFor(std::string_view shown) {
    return TranslateShown(shown, [](const MessageText& row) { return std::string(row.english); });
}

bool UserReadsJapanese() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return std::string_view(value).substr(0, 2) == "ja";
    }
    return false;
}

}  // namespace kivo
