// Sketchup::Color: an RGBA value object, and the conversion of every colour argument form.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <strings.h>

#include "ruby/appearance_and_view.h"
#include "ruby/color.h"
#include "ruby/wrap.h"

namespace hostsim::ruby {

namespace {

struct NamedColor {
    const char* name;
    uint8_t red, green, blue;
};

// The names SketchUp's Materials Browser knows (the web colour names), matched without case.
constexpr NamedColor kNamedColors[] = {
    {"AliceBlue", 240, 248, 255},      {"AntiqueWhite", 250, 235, 215},   {"Aqua", 0, 255, 255},
    {"Aquamarine", 127, 255, 212},     {"Azure", 240, 255, 255},          {"Beige", 245, 245, 220},
    {"Bisque", 255, 228, 196},         {"Black", 0, 0, 0},                {"BlanchedAlmond", 255, 235, 205},
    {"Blue", 0, 0, 255},               {"BlueViolet", 138, 43, 226},      {"Brown", 165, 42, 42},
    {"BurlyWood", 222, 184, 135},      {"CadetBlue", 95, 158, 160},       {"Chartreuse", 127, 255, 0},
    {"Chocolate", 210, 105, 30},       {"Coral", 255, 127, 80},           {"CornflowerBlue", 100, 149, 237},
    {"Cornsilk", 255, 248, 220},       {"Crimson", 220, 20, 60},          {"Cyan", 0, 255, 255},
    {"DarkBlue", 0, 0, 139},           {"DarkCyan", 0, 139, 139},         {"DarkGoldenrod", 184, 134, 11},
    {"DarkGray", 169, 169, 169},       {"DarkGreen", 0, 100, 0},          {"DarkKhaki", 189, 183, 107},
    {"DarkMagenta", 139, 0, 139},      {"DarkOliveGreen", 85, 107, 47},   {"DarkOrange", 255, 140, 0},
    {"DarkOrchid", 153, 50, 204},      {"DarkRed", 139, 0, 0},            {"DarkSalmon", 233, 150, 122},
    {"DarkSeaGreen", 143, 188, 143},   {"DarkSlateBlue", 72, 61, 139},    {"DarkSlateGray", 47, 79, 79},
    {"DarkTurquoise", 0, 206, 209},    {"DarkViolet", 148, 0, 211},       {"DeepPink", 255, 20, 147},
    {"DeepSkyBlue", 0, 191, 255},      {"DimGray", 105, 105, 105},        {"DodgerBlue", 30, 144, 255},
    {"FireBrick", 178, 34, 34},        {"FloralWhite", 255, 250, 240},    {"ForestGreen", 34, 139, 34},
    {"Fuchsia", 255, 0, 255},          {"Gainsboro", 220, 220, 220},      {"GhostWhite", 248, 248, 255},
    {"Gold", 255, 215, 0},             {"Goldenrod", 218, 165, 32},       {"Gray", 128, 128, 128},
    {"Green", 0, 128, 0},              {"GreenYellow", 173, 255, 47},     {"Honeydew", 240, 255, 240},
    {"HotPink", 255, 105, 180},        {"IndianRed", 205, 92, 92},        {"Indigo", 75, 0, 130},
    {"Ivory", 255, 255, 240},          {"Khaki", 240, 230, 140},          {"Lavender", 230, 230, 250},
    {"LavenderBlush", 255, 240, 245},  {"LawnGreen", 124, 252, 0},        {"LemonChiffon", 255, 250, 205},
    {"LightBlue", 173, 216, 230},      {"LightCoral", 240, 128, 128},     {"LightCyan", 224, 255, 255},
    {"LightGoldenrodYellow", 250, 250, 210}, {"LightGreen", 144, 238, 144}, {"LightGrey", 211, 211, 211},
    {"LightPink", 255, 182, 193},      {"LightSalmon", 255, 160, 122},    {"LightSeaGreen", 32, 178, 170},
    {"LightSkyBlue", 135, 206, 250},   {"LightSlateGray", 119, 136, 153}, {"LightSteelBlue", 176, 196, 222},
    {"LightYellow", 255, 255, 224},    {"Lime", 0, 255, 0},               {"LimeGreen", 50, 205, 50},
    {"Linen", 250, 240, 230},          {"Magenta", 255, 0, 255},          {"Maroon", 128, 0, 0},
    {"MediumAquamarine", 102, 205, 170}, {"MediumBlue", 0, 0, 205},       {"MediumOrchid", 186, 85, 211},
    {"MediumPurple", 147, 112, 219},   {"MediumSeaGreen", 60, 179, 113},  {"MediumSlateBlue", 123, 104, 238},
    {"MediumSpringGreen", 0, 250, 154}, {"MediumTurquoise", 72, 209, 204}, {"MediumVioletRed", 199, 21, 133},
    {"MidnightBlue", 25, 25, 112},     {"MintCream", 245, 255, 250},      {"MistyRose", 255, 228, 225},
    {"Moccasin", 255, 228, 181},       {"NavajoWhite", 255, 222, 173},    {"Navy", 0, 0, 128},
    {"OldLace", 253, 245, 230},        {"Olive", 128, 128, 0},            {"OliveDrab", 107, 142, 35},
    {"Orange", 255, 165, 0},           {"OrangeRed", 255, 69, 0},         {"Orchid", 218, 112, 214},
    {"PaleGoldenrod", 238, 232, 170},  {"PaleGreen", 152, 251, 152},      {"PaleTurquoise", 175, 238, 238},
    {"PaleVioletRed", 219, 112, 147},  {"PapayaWhip", 255, 239, 213},     {"PeachPuff", 255, 218, 185},
    {"Peru", 205, 133, 63},            {"Pink", 255, 192, 203},           {"Plum", 221, 160, 221},
    {"PowderBlue", 176, 224, 230},     {"Purple", 128, 0, 128},           {"Red", 255, 0, 0},
    {"RosyBrown", 188, 143, 143},      {"RoyalBlue", 65, 105, 225},       {"SaddleBrown", 139, 69, 19},
    {"Salmon", 250, 128, 114},         {"SandyBrown", 244, 164, 96},      {"SeaGreen", 46, 139, 87},
    {"Seashell", 255, 245, 238},       {"Sienna", 160, 82, 45},           {"Silver", 192, 192, 192},
    {"SkyBlue", 135, 206, 235},        {"SlateBlue", 106, 90, 205},       {"SlateGray", 112, 128, 144},
    {"Snow", 255, 250, 250},           {"SpringGreen", 0, 255, 127},      {"SteelBlue", 70, 130, 180},
    {"Tan", 210, 180, 140},            {"Teal", 0, 128, 128},             {"Thistle", 216, 191, 216},
    {"Tomato", 255, 99, 71},           {"Turquoise", 64, 224, 208},       {"Violet", 238, 130, 238},
    {"Wheat", 245, 222, 179},          {"White", 255, 255, 255},          {"WhiteSmoke", 245, 245, 245},
    {"Yellow", 255, 255, 0},           {"YellowGreen", 154, 205, 50},
};

Color* Data(VALUE self) { return static_cast<Color*>(DATA_PTR(self)); }

VALUE Alloc(VALUE klass) {
    auto* c = static_cast<Color*>(ruby_xmalloc(sizeof(Color)));
    *c = Color{0, 0, 0, 255};
    return rb_data_object_wrap(klass, c, nullptr, RUBY_DEFAULT_FREE);
}

bool IsColor(VALUE v) { return RB_TYPE_P(v, T_DATA) && rb_obj_is_kind_of(v, k.cColor); }

// One channel: an Integer is clamped to 0..255, a Float is a fraction of 255.
uint8_t Channel(VALUE v) {
    if (RB_FLOAT_TYPE_P(v)) return static_cast<uint8_t>(std::clamp(std::lround(RFLOAT_VALUE(v) * 255.0), 0L, 255L));
    return static_cast<uint8_t>(std::clamp(NUM2LONG(v), 0L, 255L));
}

Color FromInteger(long value) {
    return {static_cast<uint8_t>((value >> 16) & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
            static_cast<uint8_t>(value & 0xFF), 255};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Color FromName(VALUE name) {
    const char* text = StringValueCStr(name);
    if (text[0] == '#' && std::strlen(text) == 7) {
        long value = 0;
        bool ok = true;
        for (int i = 1; i < 7; ++i) {
            int d = HexDigit(text[i]);
            ok = ok && d >= 0;
            value = value * 16 + std::max(d, 0);
        }
        if (ok) return FromInteger(value);
    }
    for (const NamedColor& n : kNamedColors)
        if (strcasecmp(n.name, text) == 0) return {n.red, n.green, n.blue, 255};
    rb_raise(rb_eArgError, "unknown colour name: %s", text);
    return {};
}

Color FromArray(VALUE a) {
    long n = RARRAY_LEN(a);
    if (n != 3 && n != 4) rb_raise(rb_eArgError, "a colour array holds 3 or 4 channels, not %ld", n);
    Color c{Channel(rb_ary_entry(a, 0)), Channel(rb_ary_entry(a, 1)), Channel(rb_ary_entry(a, 2)), 255};
    if (n == 4) c.alpha = Channel(rb_ary_entry(a, 3));
    return c;
}

VALUE Initialize(int argc, VALUE* argv, VALUE self) {
    if (argc == 0) return self;
    if (argc == 1) {
        *Data(self) = ColorOf(argv[0]);
        return self;
    }
    if (argc == 3 || argc == 4) {
        Color c{Channel(argv[0]), Channel(argv[1]), Channel(argv[2]), 255};
        if (argc == 4) c.alpha = Channel(argv[3]);
        *Data(self) = c;
        return self;
    }
    rb_raise(rb_eArgError, "wrong number of arguments (given %d, expected 0, 1, 3 or 4)", argc);
    return self;
}

VALUE InitializeCopy(VALUE self, VALUE other) {
    *Data(self) = ColorOf(other);
    return self;
}

VALUE Red(VALUE self) { return INT2NUM(Data(self)->red); }
VALUE Green(VALUE self) { return INT2NUM(Data(self)->green); }
VALUE Blue(VALUE self) { return INT2NUM(Data(self)->blue); }
VALUE Alpha(VALUE self) { return INT2NUM(Data(self)->alpha); }
VALUE SetRed(VALUE self, VALUE v) { Data(self)->red = Channel(v); return v; }
VALUE SetGreen(VALUE self, VALUE v) { Data(self)->green = Channel(v); return v; }
VALUE SetBlue(VALUE self, VALUE v) { Data(self)->blue = Channel(v); return v; }
VALUE SetAlpha(VALUE self, VALUE v) { Data(self)->alpha = Channel(v); return v; }

VALUE ToA(VALUE self) {
    const Color& c = *Data(self);
    return rb_ary_new_from_args(4, INT2NUM(c.red), INT2NUM(c.green), INT2NUM(c.blue), INT2NUM(c.alpha));
}

VALUE ToI(VALUE self) {
    const Color& c = *Data(self);
    return LONG2NUM((long{c.red} << 16) | (long{c.green} << 8) | long{c.blue});
}

VALUE Equal(VALUE self, VALUE other) { return IsColor(other) && *Data(self) == *Data(other) ? Qtrue : Qfalse; }

VALUE Inspect(VALUE self) {
    const Color& c = *Data(self);
    return rb_sprintf("Color(%3d, %3d, %3d, %3d)", c.red, c.green, c.blue, c.alpha);
}

VALUE Names(VALUE) {
    VALUE names = rb_ary_new_capa(static_cast<long>(std::size(kNamedColors)));
    for (const NamedColor& n : kNamedColors) rb_ary_push(names, rb_utf8_str_new_cstr(n.name));
    return names;
}

}  // namespace

Color ColorOf(VALUE v) {
    if (IsColor(v)) return *Data(v);
    if (RB_TYPE_P(v, T_ARRAY)) return FromArray(v);
    if (RB_TYPE_P(v, T_STRING)) return FromName(v);
    if (RB_INTEGER_TYPE_P(v)) return FromInteger(NUM2LONG(v));
    rb_raise(rb_eTypeError, "expected a colour, got %" PRIsVALUE, rb_obj_class(v));
    return {};
}

VALUE NewColor(const Color& c) {
    VALUE v = Alloc(k.cColor);
    *Data(v) = c;
    return v;
}

void DefineColor() {
    VALUE C = k.cColor;
    rb_define_alloc_func(C, Alloc);
    rb_define_method(C, "initialize", Initialize, -1);
    rb_define_method(C, "initialize_copy", InitializeCopy, 1);
    rb_define_method(C, "red", Red, 0);
    rb_define_method(C, "green", Green, 0);
    rb_define_method(C, "blue", Blue, 0);
    rb_define_method(C, "alpha", Alpha, 0);
    rb_define_method(C, "red=", SetRed, 1);
    rb_define_method(C, "green=", SetGreen, 1);
    rb_define_method(C, "blue=", SetBlue, 1);
    rb_define_method(C, "alpha=", SetAlpha, 1);
    rb_define_method(C, "to_a", ToA, 0);
    rb_define_method(C, "to_i", ToI, 0);
    rb_define_method(C, "==", Equal, 1);
    rb_define_method(C, "inspect", Inspect, 0);
    rb_define_method(C, "to_s", Inspect, 0);
    rb_define_singleton_method(C, "names", Names, 0);
}

}  // namespace hostsim::ruby
