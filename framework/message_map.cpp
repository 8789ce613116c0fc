// Lookup in message tables.
#include "message_map.h"

namespace {

template <class Match>
const MessageMapEntry* Find(const MessageMap* map, Match match) {
    for (; map; map = map->base ? map->base() : nullptr)
        for (const MessageMapEntry* e = map->entries; e->kind != MessageMapEntry::Kind::End; ++e)
            if (match(*e)) return e;
    return nullptr;
}

}  // namespace

const MessageMapEntry* FindCommandEntry(const MessageMap* map, UINT id, UINT code,
                                        bool fromControl) {
    return Find(map, [&](const MessageMapEntry& e) {
        if (e.id != id) return false;
        if (e.kind == MessageMapEntry::Kind::ControlNotify) return fromControl && e.code == code;
        // A plain command: a menu item or accelerator, or a button's click.
        return e.kind == MessageMapEntry::Kind::Command &&
               (code == 0 || (code == 1 && !fromControl));
    });
}

const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message) {
    return Find(map, [&](const MessageMapEntry& e) {
        return e.kind == MessageMapEntry::Kind::Message && e.message == message;
    });
}

const MessageMapEntry* FindReflectEntry(const MessageMap* map, UINT code) {
    return Find(map, [&](const MessageMapEntry& e) {
        return e.kind == MessageMapEntry::Kind::NotifyReflect && e.code == code;
    });
}
