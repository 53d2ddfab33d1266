#pragma once
// The boundary's codes are the engine's own, bit for bit and number for number, so that the
// boundary maps them with a cast; these checks keep them so.
#include "engine/HTMLayoutConstants.h"
#include "engine/dom/Element.h"
#include "engine/input/ControlValue.h"
#include "engine/input/FormControls.h"

namespace Engine {

constexpr bool Same(unsigned engine, unsigned boundary)
{
    return engine == boundary;
}

static_assert(Same(kStateLink, HL_STATE_LINK) && Same(kStateHover, HL_STATE_HOVER) && Same(kStateActive, HL_STATE_ACTIVE) &&
              Same(kStateFocus, HL_STATE_FOCUS) && Same(kStateVisited, HL_STATE_VISITED) && Same(kStateCurrent, HL_STATE_CURRENT) &&
              Same(kStateChecked, HL_STATE_CHECKED) && Same(kStateDisabled, HL_STATE_DISABLED) &&
              Same(kStateReadOnly, HL_STATE_READONLY) && Same(kStateExpanded, HL_STATE_EXPANDED) &&
              Same(kStateCollapsed, HL_STATE_COLLAPSED) && Same(kStateIncomplete, HL_STATE_INCOMPLETE) &&
              Same(kStateFocusable, HL_STATE_FOCUSABLE) && Same(kStateAnchor, HL_STATE_ANCHOR) && Same(kStatePopup, HL_STATE_POPUP) &&
              Same(kStateOwnsPopup, HL_STATE_OWNS_POPUP));

static_assert(Same(kEventMouse, HL_HANDLE_MOUSE) && Same(kEventKey, HL_HANDLE_KEY) && Same(kEventFocus, HL_HANDLE_FOCUS) &&
              Same(kEventScroll, HL_HANDLE_SCROLL) && Same(kEventTimer, HL_HANDLE_TIMER) && Same(kEventSize, HL_HANDLE_SIZE) &&
              Same(kEventDraw, HL_HANDLE_DRAW) && Same(kEventDataArrived, HL_HANDLE_DATA_ARRIVED) &&
              Same(kEventBehavior, HL_HANDLE_BEHAVIOR_EVENT) && Same(kEventMethodCall, HL_HANDLE_METHOD_CALL));

constexpr unsigned BoundaryCode(ControlKind kind)
{
    return static_cast<unsigned>(kind);
}
static_assert(BoundaryCode(ControlKind::None) == HL_CTL_NO && BoundaryCode(ControlKind::Unknown) == HL_CTL_UNKNOWN &&
              BoundaryCode(ControlKind::Edit) == HL_CTL_EDIT && BoundaryCode(ControlKind::Numeric) == HL_CTL_NUMERIC &&
              BoundaryCode(ControlKind::Button) == HL_CTL_BUTTON && BoundaryCode(ControlKind::CheckBox) == HL_CTL_CHECKBOX &&
              BoundaryCode(ControlKind::Radio) == HL_CTL_RADIO &&
              BoundaryCode(ControlKind::SelectSingle) == HL_CTL_SELECT_SINGLE &&
              BoundaryCode(ControlKind::SelectMultiple) == HL_CTL_SELECT_MULTIPLE &&
              BoundaryCode(ControlKind::DropDown) == HL_CTL_DD_SELECT &&
              BoundaryCode(ControlKind::TextArea) == HL_CTL_TEXTAREA && BoundaryCode(ControlKind::HtmlArea) == HL_CTL_HTMLAREA &&
              BoundaryCode(ControlKind::Password) == HL_CTL_PASSWORD && BoundaryCode(ControlKind::Progress) == HL_CTL_PROGRESS &&
              BoundaryCode(ControlKind::Slider) == HL_CTL_SLIDER && BoundaryCode(ControlKind::Decimal) == HL_CTL_DECIMAL &&
              BoundaryCode(ControlKind::Currency) == HL_CTL_CURRENCY && BoundaryCode(ControlKind::Date) == HL_CTL_DATE &&
              BoundaryCode(ControlKind::Time) == HL_CTL_TIME);

constexpr unsigned BoundaryCode(ControlValue::Type type)
{
    return static_cast<unsigned>(type);
}
static_assert(BoundaryCode(ControlValue::Type::Undefined) == HL_VALUE_UNDEFINED &&
              BoundaryCode(ControlValue::Type::Bool) == HL_VALUE_BOOL && BoundaryCode(ControlValue::Type::Int) == HL_VALUE_INT &&
              BoundaryCode(ControlValue::Type::String) == HL_VALUE_STRING);

} // namespace Engine
