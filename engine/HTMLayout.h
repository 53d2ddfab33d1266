#pragma once
// The engine's one public face: the HTMLayout* functions, their records and codes. Everything
// else under engine/ is private to the library.
#include "engine/HTMLayoutConstants.h"

#include <windows.h>

typedef struct HtmlElementHandle* HELEMENT;
// The same as the SDK's own, which not every set of Windows headers has.
typedef const BYTE* LPCBYTE;

// Results of the element functions.
enum HtmlDomResult : int {
    HLDOM_OK = 0,
    HLDOM_INVALID_HWND = 1,
    HLDOM_INVALID_HANDLE = 2,
    HLDOM_PASSIVE_HANDLE = 3,  // a handle whose element is not in a document
    HLDOM_INVALID_PARAMETER = 4,
    HLDOM_OPERATION_FAILED = 5,
    HLDOM_OK_NOT_HANDLED = 6,
};

struct HtmlInitializationParams {
    UINT cmd;  // HtmlInitializationEvent
};

// pos is relative to the target element's border box; posDocument is in the window's client area.
struct HtmlMouseParams {
    UINT cmd;
    HELEMENT target;
    POINT pos;
    POINT posDocument;
    UINT buttonState;
    UINT altState;
};

struct HtmlKeyParams {
    UINT cmd;
    HELEMENT target;
    UINT keyCode;
    UINT altState;
};

struct HtmlFocusParams {
    UINT cmd;
    HELEMENT target;
    BOOL byMouseClick;
};

struct HtmlScrollParams {
    UINT cmd;
    HELEMENT target;
    int pos;
    BOOL vertical;
};

struct HtmlTimerParams {
    UINT_PTR timerId;
};

struct HtmlDrawParams {
    UINT cmd;  // layer
    HDC hdc;
    RECT area;
};

// The answer to HTMLayoutRequestElementData or HTMLayoutHttpRequest, for the element's own
// procedures (group HL_HANDLE_DATA_ARRIVED) on the window's thread. status: 0 for an answer of
// 2xx; the server's status (100 to 599) for any other, with its body as data; a WinHTTP error
// (ERROR_WINHTTP_*, 12001 and up: 12002 time-out, 12005 bad URL, 12029 cannot connect) when no
// answer came; ERROR_FILE_NOT_FOUND (2) when the host had nothing for a URL that is not HTTP.
// data and uri (the URL as requested, made absolute) stay valid during the call only.
struct HtmlDataArrivedParams {
    HELEMENT initiator;  // HTMLayoutRequestElementData's initiator; the element itself for an HTTP request
    LPCBYTE data;
    UINT dataSize;
    UINT dataType;  // HtmlDataType
    UINT status;
    LPCWSTR uri;
};

// heTarget: where the event comes from; he: the element it was sent or posted to.
struct HtmlBehaviorEventParams {
    UINT cmd;
    HELEMENT heTarget;
    HELEMENT he;
    UINT_PTR reason;
};

struct HtmlMethodParams {
    UINT methodId;
};

// The value of a scroll bar widget: the first shown of a range from minValue to maxValue, of which
// pageValue show at once.
struct HtmlScrollBarValueParams : HtmlMethodParams {  // HL_SCROLL_BAR_GET_VALUE or HL_SCROLL_BAR_SET_VALUE
    INT value;
    INT minValue;
    INT maxValue;
    INT pageValue;
};

typedef BOOL(CALLBACK* HtmlElementProc)(LPVOID tag, HELEMENT he, UINT eventGroup, LPVOID params);
typedef BOOL(CALLBACK* HtmlElementCallback)(HELEMENT he, LPVOID param);
typedef void(CALLBACK* HtmlBytesReceiver)(LPCBYTE bytes, UINT length, LPVOID param);
typedef void(CALLBACK* HtmlWideTextReceiver)(LPCWSTR text, UINT length, LPVOID param);

// Notifications arrive at the host callback as (WM_NOTIFY, 0, address of the record, parameter).
typedef LRESULT(CALLBACK* HtmlNotifyProc)(UINT message, WPARAM wParam, LPARAM lParam, LPVOID param);

struct HtmlNotifyCreateControl {
    NMHDR header;
    HELEMENT element;
    HWND parentWindow;
    HWND controlWindow;  // filled by the host: the window, or (HWND)1 when it failed
};

struct HtmlNotifyLoadData {
    NMHDR header;
    LPCWSTR uri;
    LPVOID outData;  // the host may point these at bytes instead of calling HTMLayoutDataReady
    DWORD outDataSize;
    UINT dataType;
    HELEMENT principal;
};

struct HtmlNotifyDataLoaded {
    NMHDR header;
    LPCWSTR uri;
    LPCBYTE data;
    DWORD dataSize;
    UINT dataType;
};

// The host fills elementProc, elementTag and elementEvents to attach its behavior; left empty,
// the engine's own behavior of that name, if any, applies.
struct HtmlNotifyAttachBehavior {
    NMHDR header;
    HELEMENT element;
    LPCSTR behaviorName;
    HtmlElementProc elementProc;
    LPVOID elementTag;
    UINT elementEvents;
};

// A control's value. A string read from the engine stays valid until the element changes or
// its value is read again.
struct HtmlValue {
    UINT type;  // HtmlValueType
    INT intValue;
    LPCWSTR text;
    UINT textLength;
};

// Window, loading and URLs.
LPCWSTR WINAPI HTMLayoutClassNameW();
BOOL WINAPI HTMLayoutSetCallback(HWND hwnd, HtmlNotifyProc callback, LPVOID param);
BOOL WINAPI HTMLayoutSetMediaType(HWND hwnd, LPCWSTR mediaType);
BOOL WINAPI HTMLayoutLoadHtml(HWND hwnd, LPCBYTE html, UINT length);
BOOL WINAPI HTMLayoutLoadHtmlEx(HWND hwnd, LPCBYTE html, UINT length, LPCWSTR baseUrl);
BOOL WINAPI HTMLayoutLoadFile(HWND hwnd, LPCWSTR fileOrUrl);
BOOL WINAPI HTMLayoutDataReady(HWND hwnd, LPCWSTR url, LPCBYTE data, DWORD length);
HtmlDomResult WINAPI HTMLayoutCombineURL(HELEMENT he, LPWSTR buffer, UINT bufferLength);
UINT WINAPI HTMLayoutGetMinWidth(HWND hwnd);
UINT WINAPI HTMLayoutGetMinHeight(HWND hwnd, UINT width);

// Handles and the tree.
HtmlDomResult WINAPI HTMLayoutGetRootElement(HWND hwnd, HELEMENT* root);
HtmlDomResult WINAPI HTMLayout_UseElement(HELEMENT he);
HtmlDomResult WINAPI HTMLayout_UnuseElement(HELEMENT he);
HtmlDomResult WINAPI HTMLayoutSelectElements(HELEMENT he, LPCSTR selector, HtmlElementCallback callback, LPVOID param);
// Walks up from the element itself; depth 0 means up to the root.
HtmlDomResult WINAPI HTMLayoutSelectParent(HELEMENT he, LPCSTR selector, UINT depth, HELEMENT* found);
HtmlDomResult WINAPI HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent);
HtmlDomResult WINAPI HTMLayoutGetNthChild(HELEMENT he, UINT n, HELEMENT* child);
HtmlDomResult WINAPI HTMLayoutGetChildrenCount(HELEMENT he, UINT* count);
HtmlDomResult WINAPI HTMLayoutGetElementIndex(HELEMENT he, UINT* index);
HtmlDomResult WINAPI HTMLayoutGetElementType(HELEMENT he, LPCSTR* tag);
HtmlDomResult WINAPI HTMLayoutGetElementHwnd(HELEMENT he, HWND* hwnd, BOOL rootWindow);
HtmlDomResult WINAPI HTMLayoutGetElementLocation(HELEMENT he, RECT* location, UINT areas);
HtmlDomResult WINAPI HTMLayoutIsElementVisible(HELEMENT he, BOOL* visible);
HtmlDomResult WINAPI HTMLayoutIsElementEnabled(HELEMENT he, BOOL* enabled);

// Attributes and styles. Returned texts stay valid until the attribute or style changes.
HtmlDomResult WINAPI HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value);
// A null value removes the attribute.
HtmlDomResult WINAPI HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value);
HtmlDomResult WINAPI HTMLayoutGetAttributeCount(HELEMENT he, UINT* count);
HtmlDomResult WINAPI HTMLayoutGetNthAttribute(HELEMENT he, UINT n, LPCSTR* name, LPCWSTR* value);
HtmlDomResult WINAPI HTMLayoutGetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR* value);
// A null value takes the element's own setting away again.
HtmlDomResult WINAPI HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value);

// Content.
HtmlDomResult WINAPI HTMLayoutGetElementHtml(HELEMENT he, BOOL outer, HtmlBytesReceiver receiver, LPVOID param);
HtmlDomResult WINAPI HTMLayoutSetElementHtml(HELEMENT he, LPCBYTE html, UINT length, UINT where);
HtmlDomResult WINAPI HTMLayoutGetElementInnerText16(HELEMENT he, HtmlWideTextReceiver receiver, LPVOID param);
HtmlDomResult WINAPI HTMLayoutSetElementInnerText16(HELEMENT he, LPCWSTR text, UINT length);
// The new element is used once for the caller, who unuses it when done.
HtmlDomResult WINAPI HTMLayoutCreateElement(LPCSTR tag, LPCWSTR text, HELEMENT* created);
HtmlDomResult WINAPI HTMLayoutInsertElement(HELEMENT he, HELEMENT parent, UINT index);
HtmlDomResult WINAPI HTMLayoutDeleteElement(HELEMENT he);
HtmlDomResult WINAPI HTMLayoutUpdateElement(HELEMENT he, UINT flags);

// States.
HtmlDomResult WINAPI HTMLayoutGetElementState(HELEMENT he, UINT* state);
HtmlDomResult WINAPI HTMLayoutSetElementState(HELEMENT he, UINT bitsToSet, UINT bitsToClear, BOOL update);

// Events.
HtmlDomResult WINAPI HTMLayoutAttachEventHandlerEx(HELEMENT he, HtmlElementProc proc, LPVOID tag, UINT groups);
HtmlDomResult WINAPI HTMLayoutDetachEventHandler(HELEMENT he, HtmlElementProc proc, LPVOID tag);
HtmlDomResult WINAPI HTMLayoutSendEvent(HELEMENT he, UINT code, HELEMENT source, UINT_PTR reason, BOOL* handled);
HtmlDomResult WINAPI HTMLayoutPostEvent(HELEMENT he, UINT code, HELEMENT source, UINT_PTR reason);
HtmlDomResult WINAPI HTMLayoutCallBehaviorMethod(HELEMENT he, HtmlMethodParams* params);
// A null element releases the capture.
HtmlDomResult WINAPI HTMLayoutSetCapture(HELEMENT he);
// A period of 0 stops the element's timer of that id.
HtmlDomResult WINAPI HTMLayoutSetTimer(HELEMENT he, UINT milliseconds, UINT_PTR timerId);
HtmlDomResult WINAPI HTMLayoutShowPopup(HELEMENT popup, HELEMENT anchor, UINT placement);
HtmlDomResult WINAPI HTMLayoutHidePopup(HELEMENT he);
// Both answer at once and deliver the data later as the element's data-arrived event; a request
// never blocks and always ends, in a failed status at worst.
HtmlDomResult WINAPI HTMLayoutRequestElementData(HELEMENT he, LPCWSTR url, UINT dataType, HELEMENT initiator);
// requestType: HtmlHttpRequestType. params: "name=value" strings, each ended by a NUL and the
// list by another NUL (L"a=1\0b=x y\0"), or null; names and values are sent form-encoded as UTF-8.
HtmlDomResult WINAPI HTMLayoutHttpRequest(HELEMENT he, LPCWSTR url, UINT dataType, UINT requestType,
                                          LPCWSTR params);
INT_PTR WINAPI HTMLayoutDialog(HWND parent, POINT position, INT alignment, UINT style, UINT styleEx,
                               HtmlNotifyProc notify, HtmlElementProc events, LPVOID param, LPCBYTE html,
                               UINT length);
HtmlDomResult WINAPI HTMLayoutScrollToView(HELEMENT he, UINT flags);
HtmlDomResult WINAPI HTMLayoutGetScrollInfo(HELEMENT he, POINT* position, RECT* view, SIZE* content);
HtmlDomResult WINAPI HTMLayoutSetScrollPos(HELEMENT he, POINT position, BOOL smooth);

// Input kinds and values.
HtmlDomResult WINAPI HTMLayoutControlGetType(HELEMENT he, UINT* type);
HtmlDomResult WINAPI HTMLayoutControlGetValue(HELEMENT he, HtmlValue* value);
HtmlDomResult WINAPI HTMLayoutControlSetValue(HELEMENT he, const HtmlValue* value);
