// Writing entries into their "SRFC" records, and giving records and sections back.
#include <SketchUpAPI/model/material.h>

#include <algorithm>

#include "appearance/material_catalogue.h"
#include "liveconnection/live_connection.h"

namespace korvan {

using TwinLinkAPI::SurfaceRecord;

namespace {

// Zero-filled; a text as long as the field or longer fills it without a terminator.
template <size_t Units>
void WriteTextField(char16_t (&field)[Units], const std::u16string& text) {
    std::fill(std::begin(field), std::end(field), u'\0');
    std::copy_n(text.begin(), std::min(text.size(), Units), field);
}

// Record flag bits of a material record beyond the common "changed" bit.
constexpr uint32_t kContentChangedFlag = 0x100;
constexpr uint32_t kTextureChangedFlag = 0x200;

}  // namespace

void MaterialCatalogue::SendMaterial(MaterialEntry* entry) {
    if (entry == nullptr || entry->id == 0 || !connection->IsOpen()) return;
    if (entry->record == nullptr) {
        entry->record =
            reinterpret_cast<SurfaceRecord*>(connection->CreateRecord(TwinLinkAPI::kSurfaceTag));
        if (entry->record == nullptr) return;
    }
    SurfaceRecord& record = *entry->record;
    WriteTextField(record.name, entry->name);
    record.surfaceType = static_cast<uint32_t>(entry->surfaceType);
    WriteTextField(record.libraryId, entry->libraryId);
    // Korvan tints a texture with the colour, so textured materials go untinted.
    record.colour = entry->type == SUMaterialType_Colored ? entry->colour : 0x00FFFFFFu;
    record.constHalf = 0.5f;
    record.constOne = 1.0f;
    record.constZero[0] = 0;
    record.constZero[1] = 0;
    record.opacity = entry->opacity;
    record.constZeroB = 0;
    record.constOneB = 1.0f;
    record.constZeroC = 0;

    if (entry->textureImage) {
        WriteTextField(record.texturePath, u"");
        // A section at least as large is reused; a larger image needs a new one, and the old
        // one goes back once this flush has marked every record.
        if (record.textureSectionId == 0 || record.textureSectionSize < entry->textureImageSize) {
            if (record.textureSectionId != 0) ReleaseQueue.insert(record.textureSectionId);
            record.textureSectionId =
                connection->CreateSection(record.record.recordId, entry->textureImageSize);
            record.textureSectionSize = entry->textureImageSize;
        }
        void* view = connection->MapSection(record.textureSectionId);
        if (view != nullptr)
            std::copy_n(entry->textureImage.get(),
                        std::min(entry->textureImageSize, record.textureSectionSize),
                        static_cast<uint8_t*>(view));
    } else {
        WriteTextField(record.texturePath, entry->texturePath);
        if (record.textureSectionId != 0) ReleaseQueue.insert(record.textureSectionId);
        record.textureSectionId = 0;
        record.textureSectionSize = 0;
    }

    record.textureStamp = static_cast<uint32_t>(entry->TextureStamp);
    std::fill(std::begin(record.zeroTail), std::end(record.zeroTail), uint8_t{0});
    record.constZeroD = 0;
    record.constAllOnes = 0xFFFFFFFFu;

    uint32_t flags = TwinLinkAPI::kChangedFlag;
    if (entry->changed) {
        ++record.contentRevision;
        flags |= kContentChangedFlag;
    }
    if (entry->textureChanged) flags |= kTextureChangedFlag;
    entry->changed = false;
    entry->textureChanged = false;
    connection->MarkRecord(&record.record, flags);
}

void MaterialCatalogue::FlushMaterials() {
    if (PendingMaterials.empty()) return;
    for (uint32_t id : PendingMaterials) SendMaterial(FindEntry(id));
    PendingMaterials.clear();
    for (uint32_t sectionId : ReleaseQueue) connection->ReleaseSection(sectionId);
    ReleaseQueue.clear();
    connection->MarkHeader(TwinLinkAPI::kChangedFlag);
}

void MaterialCatalogue::RemoveMaterialRecord(MaterialEntry& entry) {
    SurfaceRecord* record = entry.record;
    entry.record = nullptr;
    if (record == nullptr || !connection->IsOpen()) return;
    if (record->geometrySectionId != 0) connection->ReleaseSection(record->geometrySectionId);
    record->geometrySectionId = 0;
    record->geometrySectionSize = 0;
    record->record.tag = TwinLinkAPI::kRemovedSurfaceTag;
    connection->MarkRecord(&record->record, TwinLinkAPI::kChangedFlag);
    connection->MarkHeader(TwinLinkAPI::kChangedFlag);
}

}  // namespace korvan
