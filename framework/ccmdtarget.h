// Base of everything that has a message table: windows and the application object.
#pragma once
#include "message_map.h"

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)

public:
    virtual const MessageMap* GetMessageMap() const;
    // Runs this object's handler for a WM_COMMAND; false when its table has none.
    bool OnCmdMsg(UINT id, UINT code, bool fromControl);

protected:
    static const MessageMap* GetThisMessageMap();
};
