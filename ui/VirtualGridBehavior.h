#pragma once
#include "ui/Behavior.h"

// Events of the "virtual-grid" behavior, sent to its table.
enum VirtualGridEvent : unsigned {
    VIRTUAL_GRID_RESET = 0x93,   // back to the first record
    VIRTUAL_GRID_REFILL = 0x94,  // reason: the address of a VirtualGridRefill, valid for the call
};

// What a refill asks to be shown: the record shown in the first data row, and the rows (indexes
// among the table's children) to fill. Whoever answers may change the record count.
struct VirtualGridRefill {
    int FirstRecord;
    int FirstRow;
    int LastRow;
    int* RecordCount;
};

// "virtual-grid": a table whose data rows show a window of a longer record set, with a
// "widget[type='vscrollbar']" beside it. It keeps the first shown record and the record count;
// the keys, the wheel and the scroll bar move the window, and each move refills the rows
// (VIRTUAL_GRID_REFILL) and updates the bar. With nobody else answering, it shows 300 records
// of "row %d, col %d". Rows are chosen and clicked as in "grid". Each table keeps its own place,
// so every element gets a handler of its own, freed when it detaches.
class VirtualGridBehavior : public Behavior {
public:
    VirtualGridBehavior() : Behavior("virtual-grid", HL_HANDLE_BEHAVIOR_EVENT) {}

    EventHandler* HandlerFor(HELEMENT element) override;
};
