#include "app/panel_layout.h"

namespace kivo {

int Cp932Length(std::string_view utf8) {
    int length = 0;
    for (size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        unsigned code = c;
        if (n == 2) code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
        if (n == 3 && i + 2 < utf8.size())
            code = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu) << 6 |
                   (static_cast<unsigned char>(utf8[i + 2]) & 0x3Fu);
        length += code < 0x80 || (code >= 0xFF61 && code <= 0xFF9F) ? 1 : 2;
        i += n;
    }
    return length;
}

std::vector<ControlPlace> PanelLayout(int cw, int lh, int w, int h, int formatMode) {
    auto check = [cw](std::string_view label, int extra) { return (Cp932Length(label) + extra) * cw; };
    const int r = 262;  // left edge of the property column
    std::vector<ControlPlace> p = {
        {"line-top", 0, 0, w, 2},
        {"line-toolbar", 0, 32, w, 2},
        {"line-middle", 240, 34, 2, h - 34},
        {"image", 19, 53, 202, 162},
        {"counter", 20, 218, 200, lh},
        {"frame-scroll", 20, lh + 222, 200, lh},
        {"121", 20, 2 * lh + 230, 200, h - 3 * lh - 250},
        {"122", 20, h - lh - 20, 66, lh + 8},
        {"123", 86, h - lh - 20, 66, lh + 8},
        {"124", 152, h - lh - 20, 66, lh + 8},
        {"全体の幅", r, 54, 14 * cw, lh},
        {"101", 14 * cw + r, 52, 7 * cw, lh},
        {"103", 21 * cw + r, 52, 3 * cw, lh},
        {"全体の高さ", r, lh + 58, 14 * cw, lh},
        {"102", 14 * cw + r, lh + 56, 7 * cw, lh},
        {"104", 21 * cw + r, lh + 56, 3 * cw, lh},
        {"105", r, 2 * lh + 62, check("繰り返しセット", 5), lh},
        {"繰り返し回数", r, 3 * lh + 66, 14 * cw, lh},
        {"106", 14 * cw + r, 3 * lh + 64, 7 * cw, lh},
        {"107", 21 * cw + r, 3 * lh + 64, 3 * cw, lh},
        {"108", r, 4 * lh + 70, check("永久に繰り返す", 6), lh},
        {"1コマの幅", r, 5 * lh + 100, 14 * cw, lh},
        {"width-value", 14 * cw + r, 5 * lh + 98, 7 * cw, lh},
        {"1コマの高さ", r, 6 * lh + 104, 14 * cw, lh},
        {"height-value", 14 * cw + r, 6 * lh + 102, 7 * cw, lh},
        {"左端の位置", r, 7 * lh + 108, 14 * cw, lh},
        {"110", 14 * cw + r, 7 * lh + 106, 7 * cw, lh},
        {"112", 21 * cw + r, 7 * lh + 106, 3 * cw, lh},
        {"上端の位置", r, 8 * lh + 112, 14 * cw, lh},
        {"111", 14 * cw + r, 8 * lh + 110, 7 * cw, lh},
        {"113", 21 * cw + r, 8 * lh + 110, 3 * cw, lh},
        {"114", r, 9 * lh + 116, check("透過色の使用", 6), lh},
        {" 透過色", r, 10 * lh + 120, 10 * cw, lh},
        {"120", 10 * cw + r, 10 * lh + 118, 10 * cw, lh},
        {"119", r, 11 * lh + 124, check("ウェイト有り", 6), lh},
        {"ｳｪｲﾄ[1/100s]", r, 12 * lh + 128, 16 * cw, lh},
        {"117", 16 * cw + r, 12 * lh + 126, 7 * cw, lh},
        {"118", 23 * cw + r, 12 * lh + 126, 3 * cw, lh},
        {"消去手段", r, 13 * lh + 132, 16 * cw, lh},
        {"115", 16 * cw + r, 13 * lh + 130, 24 * cw, 6 * lh},
    };
    const int x0 = 20 * cw + 302;
    const int width = w - x0 - 20;
    if (formatMode == 1) {
        p.insert(p.end(), {
            {"テキスト", x0, 44, width / 2, lh},
            {"129", x0 + width / 2, 41, width / 2, lh + 3},
            {"127", x0, lh + 47, width, 5 * lh + 15},
            {"125", x0, 2 * lh + 52, width, 4 * lh + 16},
            {"line-keys", 242, 6 * lh + 72, w - 242, 2},
            {"frame-テキスト", x0, 5 * lh + 100, width / 2, lh},
            {"130", x0 + width / 2, 5 * lh + 97, width / 2, lh + 3},
            {"128", x0, 6 * lh + 103, width, 5 * lh + 15},
            {"126", x0, 7 * lh + 108, width, 4 * lh + 16},
        });
    } else {
        p.insert(p.end(), {
            {"コメント", x0, 54, width, lh},
            {"109", x0, lh + 58, width, 4 * lh + 16},
            {"line-comments", 242, 5 * lh + 86, w - 242, 2},
            {"frame-コメント", x0, 5 * lh + 100, width, lh},
            {"116", x0, 6 * lh + 104, width, 4 * lh + 16},
        });
    }
    return p;
}

const ControlPlace* FindPlace(const std::vector<ControlPlace>& places, std::string_view key) {
    for (const ControlPlace& p : places)
        if (p.key == key) return &p;
    return nullptr;
}

}  // namespace kivo
