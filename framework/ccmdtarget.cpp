// Command routing through a message table.
#include "ccmdtarget.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const MessageMap* CCmdTarget::GetThisMessageMap() {
    static const MessageMapEntry entries[] = {
        {MessageMapEntry::Kind::End, 0, 0, 0, nullptr, nullptr, nullptr}};
    static const MessageMap map{nullptr, entries};
    return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

bool CCmdTarget::OnCmdMsg(UINT id, UINT code, bool fromControl) {
    const MessageMapEntry* e = FindCommandEntry(GetMessageMap(), id, code, fromControl);
    if (!e) return false;
    (this->*(e->onCommand))();
    return true;
}
