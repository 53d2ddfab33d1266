#pragma once
// The codes of the engine's boundary that need no Windows types, so that the engine's inner
// layers can use them without <windows.h>.

// Element state bits.
enum HtmlElementState : unsigned {
    HL_STATE_LINK = 0x1,
    HL_STATE_HOVER = 0x2,
    HL_STATE_ACTIVE = 0x4,
    HL_STATE_FOCUS = 0x8,
    HL_STATE_VISITED = 0x10,
    HL_STATE_CURRENT = 0x20,
    HL_STATE_CHECKED = 0x40,
    HL_STATE_DISABLED = 0x80,
    HL_STATE_READONLY = 0x100,
    HL_STATE_EXPANDED = 0x200,
    HL_STATE_COLLAPSED = 0x400,
    HL_STATE_INCOMPLETE = 0x800,
    HL_STATE_FOCUSABLE = 0x2000,
    HL_STATE_ANCHOR = 0x4000,
    HL_STATE_POPUP = 0x10000,
    HL_STATE_OWNS_POPUP = 0x20000,
};

// Event groups of the element procedures.
enum HtmlEventGroup : unsigned {
    HL_HANDLE_INITIALIZATION = 0x0,
    HL_HANDLE_MOUSE = 0x1,
    HL_HANDLE_KEY = 0x2,
    HL_HANDLE_FOCUS = 0x4,
    HL_HANDLE_SCROLL = 0x8,
    HL_HANDLE_TIMER = 0x10,
    HL_HANDLE_SIZE = 0x20,
    HL_HANDLE_DRAW = 0x40,
    HL_HANDLE_DATA_ARRIVED = 0x80,
    HL_HANDLE_BEHAVIOR_EVENT = 0x100,
    HL_HANDLE_METHOD_CALL = 0x200,
    HL_HANDLE_ALL = 0x3ff,
};

// What a request asks for. HTML that arrives for HTMLayoutRequestElementData and that no procedure
// took becomes the element's content.
enum HtmlDataType : unsigned { HL_DATA_HTML = 0, HL_DATA_IMAGE = 1, HL_DATA_STYLE = 2, HL_DATA_RAW = 3 };

// HTMLayoutHttpRequest: GET puts the parameters in the URL's query, POST sends them as a
// form-encoded body (application/x-www-form-urlencoded).
enum HtmlHttpRequestType : unsigned { HL_HTTP_GET = 0, HL_HTTP_POST = 1 };

enum HtmlInitializationEvent : unsigned { HL_BEHAVIOR_DETACH = 0, HL_BEHAVIOR_ATTACH = 1 };

enum HtmlMouseEvent : unsigned {
    HL_MOUSE_ENTER = 0,
    HL_MOUSE_LEAVE = 1,
    HL_MOUSE_MOVE = 2,
    HL_MOUSE_UP = 3,
    HL_MOUSE_DOWN = 4,
    HL_MOUSE_DCLICK = 5,
    HL_MOUSE_WHEEL = 6,
};

enum HtmlMouseButton : unsigned { HL_MAIN_MOUSE_BUTTON = 1, HL_PROP_MOUSE_BUTTON = 2, HL_MIDDLE_MOUSE_BUTTON = 4 };

enum HtmlKeyboardState : unsigned { HL_CONTROL_KEY_PRESSED = 1, HL_SHIFT_KEY_PRESSED = 2, HL_ALT_KEY_PRESSED = 4 };

enum HtmlKeyEvent : unsigned { HL_KEY_DOWN = 0, HL_KEY_UP = 1, HL_KEY_CHAR = 2 };

enum HtmlFocusEvent : unsigned { HL_FOCUS_LOST = 0, HL_FOCUS_GOT = 1 };

enum HtmlBehaviorEvent : unsigned {
    HL_BUTTON_CLICK = 0,
    HL_BUTTON_PRESS = 1,
    HL_BUTTON_STATE_CHANGED = 2,
    HL_EDIT_VALUE_CHANGED = 4,
    HL_SELECT_SELECTION_CHANGED = 5,
    HL_POPUP_DISMISSED = 9,  // posted to a popup once it is hidden, however that came about
    HL_HYPERLINK_CLICK = 0x80,
    HL_TABLE_HEADER_CLICK = 0x81,
    HL_TABLE_ROW_CLICK = 0x82,
    HL_ELEMENT_COLLAPSED = 0x90,
    HL_ELEMENT_EXPANDED = 0x91,
    HL_ACTIVATE_CHILD = 0x92,
};

// HL_SCROLL_BAR_GET_VALUE and HL_SCROLL_BAR_SET_VALUE take an HtmlScrollBarValueParams; a
// "widget" element of type "vscrollbar" answers them.
enum HtmlBehaviorMethod : unsigned { HL_DO_CLICK = 0, HL_SCROLL_BAR_GET_VALUE = 6, HL_SCROLL_BAR_SET_VALUE = 7 };

// Scroll events (HtmlScrollParams.cmd). A scroller tells its own procedures of its new position
// (HL_SCROLL_POS); a scroll bar widget asks whoever handles it, from the widget up, to move.
enum HtmlScrollEvent : unsigned {
    HL_SCROLL_POS = 0,
    HL_SCROLL_HOME = 1,
    HL_SCROLL_END = 2,
    HL_SCROLL_STEP_PLUS = 3,
    HL_SCROLL_STEP_MINUS = 4,
    HL_SCROLL_PAGE_PLUS = 5,
    HL_SCROLL_PAGE_MINUS = 6,
};

enum HtmlNotification : unsigned {
    HLN_CREATE_CONTROL = 0xB00,
    HLN_LOAD_DATA = 0xB01,
    HLN_CONTROL_CREATED = 0xB02,
    HLN_DATA_LOADED = 0xB03,
    HLN_DOCUMENT_COMPLETE = 0xB04,
    HLN_DESTROY_CONTROL = 0xB06,
    HLN_ATTACH_BEHAVIOR = 0xB07,
};

// Input kinds.
enum HtmlControlType : unsigned {
    HL_CTL_NO = 0,
    HL_CTL_UNKNOWN = 1,
    HL_CTL_EDIT = 2,
    HL_CTL_NUMERIC = 3,
    HL_CTL_BUTTON = 4,
    HL_CTL_CHECKBOX = 5,
    HL_CTL_RADIO = 6,
    HL_CTL_SELECT_SINGLE = 7,
    HL_CTL_SELECT_MULTIPLE = 8,
    HL_CTL_DD_SELECT = 9,
    HL_CTL_TEXTAREA = 10,
    HL_CTL_HTMLAREA = 11,
    HL_CTL_PASSWORD = 12,
    HL_CTL_PROGRESS = 13,
    HL_CTL_SLIDER = 14,
    HL_CTL_DECIMAL = 15,
    HL_CTL_CURRENCY = 16,
    HL_CTL_DATE = 22,
    HL_CTL_TIME = 23,
};

enum HtmlValueType : unsigned { HL_VALUE_UNDEFINED = 0, HL_VALUE_BOOL = 1, HL_VALUE_INT = 2, HL_VALUE_STRING = 4 };

enum HtmlSetElementHtml : unsigned { HL_SIH_REPLACE_CONTENT = 0, HL_SIH_INSERT_AT_START = 1, HL_SIH_APPEND_AFTER_LAST = 2,
                                 HL_SOH_REPLACE = 3, HL_SOH_INSERT_BEFORE = 4, HL_SOH_INSERT_AFTER = 5 };

enum HtmlUpdateFlags : unsigned { HL_UPDATE_REPAINT = 0, HL_UPDATE_RESET_STYLE = 1, HL_UPDATE_NOW = 2 };

enum HtmlLocation : unsigned {
    HL_ROOT_RELATIVE = 0x01,
    HL_SELF_RELATIVE = 0x02,
    HL_CONTAINER_RELATIVE = 0x03,
    HL_VIEW_RELATIVE = 0x04,
    HL_CONTENT_BOX = 0x00,
    HL_PADDING_BOX = 0x10,
    HL_BORDER_BOX = 0x20,
    HL_MARGIN_BOX = 0x30,
    HL_SCROLLABLE_AREA = 0x60,  // what shows of the element inside the scrollers around it
};

// Added to an event's code while it travels from the root down to its target.
constexpr unsigned HL_SINKING = 0x8000;

constexpr unsigned HL_INSERT_APPEND = 0x7fffffff;
