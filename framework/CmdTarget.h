// Message maps: each class lists its handlers in a table of typed entries, chained to its base's.
#pragma once

#include "Object.h"

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <vector>

class CCmdTarget;

// Reflected rows carry the parent's message plus this base, so a child's map keeps the messages it
// gets itself apart from the notifications its parent hands back to it.
constexpr UINT kReflectBase = 0xBC00;

// One row of a message map. Command rows (WM_COMMAND) match a notification code and an ID range.
struct MessageMapEntry {
    using Invoker = std::function<LRESULT(CCmdTarget&, WPARAM, LPARAM)>;

    UINT message;
    UINT code;
    UINT firstId;
    UINT lastId;
    Invoker invoke;

    bool Matches(UINT msg, UINT notifyCode, UINT id) const {
        if (msg != message)
            return false;
        const UINT kind = msg >= kReflectBase ? msg - kReflectBase : msg;
        if (kind != WM_COMMAND && kind != WM_NOTIFY)
            return true;
        return notifyCode == code && id >= firstId && id <= lastId;
    }
};

struct MessageMap {
    MessageMap(const MessageMap* baseMap, std::initializer_list<MessageMapEntry> rows)
        : base(baseMap), entries(rows) {}

    const MessageMapEntry* Find(UINT message, UINT code, UINT id) const {
        for (const MessageMap* map = this; map; map = map->base)
            for (const MessageMapEntry& entry : map->entries)
                if (entry.Matches(message, code, id))
                    return &entry;
        return nullptr;
    }

    const MessageMap* base;
    std::vector<MessageMapEntry> entries;
};

// The root of everything that handles messages or commands.
class CCmdTarget : public CObject {
public:
    virtual const MessageMap& GetMessageMap() const {
        static const MessageMap map(nullptr, {});
        return map;
    }
    // Runs the command handler for (code, id), if this target's map has one.
    virtual BOOL OnCmdMsg(UINT id, UINT code) {
        const MessageMapEntry* entry = GetMessageMap().Find(WM_COMMAND, code, id);
        if (!entry)
            return FALSE;
        entry->invoke(*this, MAKEWPARAM(id, code), 0);
        return TRUE;
    }
};

// Typed entry builders: handlers receive decoded arguments.
template <class T>
MessageMapEntry OnMessage(UINT message, void (T::*handler)()) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
                (static_cast<T&>(target).*handler)();
                return 0;
            }};
}

template <class T>
MessageMapEntry OnMessage(UINT message, HCURSOR (T::*handler)()) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
                return reinterpret_cast<LRESULT>((static_cast<T&>(target).*handler)());
            }};
}

template <class T>
MessageMapEntry OnMessage(UINT message, void (T::*handler)(UINT, LPARAM)) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) -> LRESULT {
                (static_cast<T&>(target).*handler)(static_cast<UINT>(wParam), lParam);
                return 0;
            }};
}

// For messages that are raw by nature, such as private notifications.
template <class T>
MessageMapEntry OnMessage(UINT message, LRESULT (T::*handler)(WPARAM, LPARAM)) {
    return {message, 0, 0, 0, [handler](CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
                return (static_cast<T&>(target).*handler)(wParam, lParam);
            }};
}

template <class T>
MessageMapEntry OnCommand(UINT id, void (T::*handler)()) {
    return {WM_COMMAND, 0, id, id, [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
                (static_cast<T&>(target).*handler)();
                return 0;
            }};
}

template <class T>
MessageMapEntry OnClicked(UINT id, void (T::*handler)()) {
    return OnCommand(id, handler);  // BN_CLICKED is notification code 0, like a menu command
}

// One handler for a run of controls; it receives the control's ID.
template <class T>
MessageMapEntry OnClickedRange(UINT firstId, UINT lastId, void (T::*handler)(UINT)) {
    return {WM_COMMAND, BN_CLICKED, firstId, lastId,
            [handler](CCmdTarget& target, WPARAM wParam, LPARAM) -> LRESULT {
                (static_cast<T&>(target).*handler)(LOWORD(wParam));
                return 0;
            }};
}

// Reflected entries: the child handles a notification its parent received from it. An answer of 0
// passes the notification on to the parent as well; any other answer ends it there.
template <class T>
MessageMapEntry OnReflected(UINT notifyCode, BOOL (T::*handler)()) {
    return {kReflectBase + WM_COMMAND, notifyCode, 0, 0xFFFF,
            [handler](CCmdTarget& target, WPARAM, LPARAM) -> LRESULT {
                return (static_cast<T&>(target).*handler)();
            }};
}

// A reflected control-colour message (WM_CTLCOLORBTN...): a NULL brush passes it on to the parent.
template <class T>
MessageMapEntry OnReflectedMessage(UINT message, HBRUSH (T::*handler)(HDC, UINT)) {
    return {kReflectBase + message, 0, 0, 0, [message, handler](CCmdTarget& target, WPARAM wParam, LPARAM) {
                const UINT controlType = static_cast<UINT>(message - WM_CTLCOLORMSGBOX);
                return reinterpret_cast<LRESULT>(
                    (static_cast<T&>(target).*handler)(reinterpret_cast<HDC>(wParam), controlType));
            }};
}
