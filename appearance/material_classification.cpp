#include "appearance/material_classification.h"

#include <SketchUpAPI/model/attribute_dictionary.h>
#include <SketchUpAPI/model/entity.h>
#include <SketchUpAPI/model/material.h>
#include <SketchUpAPI/model/typed_value.h>

#include <array>
#include <regex>
#include <string>
#include <vector>

#include "appearance/material_catalogue.h"
#include "appearance/sketchup_text.h"
#include "liveconnection/wide_text.h"

namespace korvan {

namespace {

using TwinLinkAPI::ContainsNoCase;
using TwinLinkAPI::SurfaceType;

// Tried in this order. Function-local statics: built on first use, safely on any thread.
const std::array<std::u16string_view, 11>& WaterWords() {
    static const std::array<std::u16string_view, 11> words{
        u"water", u"agua", u"wasser", u"acqua", u"vatten", u"вода",
        u"水",    u"água", u"물",     u"mizu",  u"woda"};
    return words;
}

const std::array<std::u16string_view, 12>& GlassWords() {
    static const std::array<std::u16string_view, 12> words{
        u"glass", u"vidrio", u"verre",  u"vetro",  u"стекло", u"玻璃",
        u"vidro", u"ガラス", u"유리", u"garasu", u"glas",   u"szkło"};
    return words;
}

// French "eau" is too short to be looked for inside other words (bureau, plateau).
constexpr std::u16string_view kEau = u"eau";

template <size_t N>
bool ContainsAny(std::u16string_view name, const std::array<std::u16string_view, N>& words) {
    for (std::u16string_view word : words)
        if (ContainsNoCase(name, word)) return true;
    return false;
}

// Words as a regular expression's \w+ finds them: letters, digits and underscores, so that
// spaces and hyphens separate words and "pool_eau" is one word.
bool HasEauAsWord(std::u16string_view name) {
    static const std::wregex word(L"\\w+", std::regex::ECMAScript);
    const std::wstring wide(name.begin(), name.end());  // one unit per character, as UTF-16 had it
    for (auto it = std::wsregex_iterator(wide.begin(), wide.end(), word); it != std::wsregex_iterator(); ++it) {
        const std::wstring found = it->str();
        if (found.size() == kEau.size() &&
            ContainsNoCase(std::u16string(found.begin(), found.end()), kEau))
            return true;
    }
    return false;
}

constexpr std::u16string_view kSettingsDictionary = u"Korvan Material Settings";
constexpr char kLibraryIdKey[] = "KorvanLibraryId";

// The string under KorvanLibraryId in the first dictionary named exactly "Korvan Material
// Settings"; empty when there is none or it holds no string.
std::u16string ReadLibraryId(SUMaterialRef materialRef) {
    const SUEntityRef entity = SUMaterialToEntity(materialRef);
    size_t count = 0;
    if (SUEntityGetNumAttributeDictionaries(entity, &count) != SU_ERROR_NONE || count == 0) return {};
    std::vector<SUAttributeDictionaryRef> dictionaries(count, SUAttributeDictionaryRef{nullptr});
    size_t got = 0;
    if (SUEntityGetAttributeDictionaries(entity, count, dictionaries.data(), &got) != SU_ERROR_NONE)
        return {};
    for (size_t i = 0; i < got && i < count; ++i) {
        const std::u16string name = ReadSketchUpText(
            [&](SUStringRef* text) { return SUAttributeDictionaryGetName(dictionaries[i], text); });
        if (name != kSettingsDictionary) continue;
        SUTypedValueRef value = SU_INVALID;
        if (SUTypedValueCreate(&value) != SU_ERROR_NONE) continue;
        std::u16string libraryId;
        if (SUAttributeDictionaryGetValue(dictionaries[i], kLibraryIdKey, &value) == SU_ERROR_NONE)
            libraryId = ReadSketchUpText([&](SUStringRef* text) { return SUTypedValueGetString(value, text); });
        SUTypedValueRelease(&value);
        return libraryId;
    }
    return {};
}

}  // namespace

bool IsWaterName(std::u16string_view name) {
    if (ContainsAny(name, WaterWords())) return true;
    return ContainsNoCase(name, kEau) && HasEauAsWord(name);
}

bool IsGlassName(std::u16string_view name) {
    return ContainsAny(name, GlassWords());
}

bool ClassifyMaterial(MaterialCatalogue& /*catalogue*/, MaterialEntry& entry,
                      SUMaterialRef materialRef) {
    SurfaceType surface = SurfaceType::None;
    if (IsWaterName(entry.name)) surface = SurfaceType::Water;
    else if (IsGlassName(entry.name)) surface = SurfaceType::Glass;
    std::u16string libraryId = ReadLibraryId(materialRef);
    // Only a translucent material is glass to Korvan.
    if (surface == SurfaceType::Glass && entry.opacity == 1.0f) surface = SurfaceType::None;

    bool changed = false;
    if (entry.surfaceType != surface) {
        entry.surfaceType = surface;
        changed = true;
    }
    if (entry.libraryId != libraryId) {
        entry.libraryId = std::move(libraryId);
        changed = true;
    }
    return changed;
}

}  // namespace korvan
