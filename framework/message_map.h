// Message tables: each class lists the messages, commands and reflected notifications it
// handles, in order, and names its base class's table; routing walks from the most derived
// table to the root and takes the first matching entry.
#pragma once
#include <windows.h>

#include "cobject.h"

class CCmdTarget;

using MessageHandler = LRESULT (CCmdTarget::*)(WPARAM, LPARAM);
using CommandHandler = void (CCmdTarget::*)();
using NotifyHandler = void (CCmdTarget::*)(NMHDR*, LRESULT*);

struct MessageMapEntry {
    enum class Kind { End, Message, Command, ControlNotify, NotifyReflect };
    Kind kind;
    UINT message;  // Message: the window message
    UINT id;       // Command, ControlNotify: the control or command id
    UINT code;     // ControlNotify, NotifyReflect: the notification code
    MessageHandler onMessage;
    CommandHandler onCommand;
    NotifyHandler onNotify;
};

struct MessageMap {
    const MessageMap* (*base)();  // null at the root
    const MessageMapEntry* entries;
};

// Finds the first entry of `map` or its bases that takes a WM_COMMAND with this id and code;
// `fromControl` tells a control's notification from a menu or accelerator command.
const MessageMapEntry* FindCommandEntry(const MessageMap* map, UINT id, UINT code,
                                        bool fromControl);
const MessageMapEntry* FindMessageEntry(const MessageMap* map, UINT message);
const MessageMapEntry* FindReflectEntry(const MessageMap* map, UINT code);

#define DECLARE_MESSAGE_MAP()                       \
protected:                                          \
    static const MessageMap* GetThisMessageMap();   \
                                                    \
public:                                             \
    const MessageMap* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                            \
    const MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); }     \
    const MessageMap* theClass::GetThisMessageMap() {                                     \
        using ThisClass [[maybe_unused]] = theClass;                                      \
        using TheBaseClass = baseClass;                                                   \
        static const MessageMapEntry entries[] = {

#define ON_MESSAGE(msg, fn)                                                              \
    {MessageMapEntry::Kind::Message, (msg), 0, 0, static_cast<MessageHandler>(&ThisClass::fn), \
     nullptr, nullptr},
#define ON_COMMAND(id, fn)                                                                \
    {MessageMapEntry::Kind::Command, 0, (id), 0, nullptr,                                 \
     static_cast<CommandHandler>(&ThisClass::fn), nullptr},
#define ON_CONTROL(code, id, fn)                                                          \
    {MessageMapEntry::Kind::ControlNotify, 0, (id), (code), nullptr,                      \
     static_cast<CommandHandler>(&ThisClass::fn), nullptr},
#define ON_BN_CLICKED(id, fn) ON_CONTROL(BN_CLICKED, id, fn)
#define ON_CBN_SELCHANGE(id, fn) ON_CONTROL(CBN_SELCHANGE, id, fn)
#define ON_NOTIFY_REFLECT(code, fn)                                                       \
    {MessageMapEntry::Kind::NotifyReflect, 0, 0, static_cast<UINT>(code), nullptr, nullptr, \
     static_cast<NotifyHandler>(&ThisClass::fn)},

#define END_MESSAGE_MAP()                                                                 \
    {MessageMapEntry::Kind::End, 0, 0, 0, nullptr, nullptr, nullptr}                      \
    }                                                                                     \
    ;                                                                                     \
    static const MessageMap map{&TheBaseClass::GetThisMessageMap, entries};              \
    return &map;                                                                          \
    }
