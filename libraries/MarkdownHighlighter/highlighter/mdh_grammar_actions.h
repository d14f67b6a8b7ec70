// Deferred actions of the grammar. They run after the start rule succeeded,
// in the order they were queued, and see the capture current when queued.
#pragma once

#include "mdh_definitions.h"

namespace penwick::mdh {

// Argument of a slot action: frame size n, name index i, and one extra value.
constexpr std::intptr_t packSlot(int n, int i, int extra = 0)
{
    return static_cast<std::intptr_t>(n) | (static_cast<std::intptr_t>(i) << 8)
        | (static_cast<std::intptr_t>(extra) << 16);
}
inline int slotN(const Thunk &t) { return static_cast<int>(t.arg & 0xff); }
inline int slotI(const Thunk &t) { return static_cast<int>((t.arg >> 8) & 0xff); }
inline int slotExtra(const Thunk &t) { return static_cast<int>(t.arg >> 16); }
inline mdh_Element *&slotOf(Ctx &c, const Thunk &t) { return slot(c, slotN(t), slotI(t)); }

void actNull(Ctx &c, const Thunk &t);
void actRawSpanOverCapture(Ctx &c, const Thunk &t);
void actLine(Ctx &c, const Thunk &t);
void actAddOverCapture(Ctx &c, const Thunk &t);     // arg: element type
void actAddFromSlot(Ctx &c, const Thunk &t);        // packSlot(n, i, type)
void actAddFromSlotType(Ctx &c, const Thunk &t);    // packSlot(n, i): the slot's own type
void actAtxStart(Ctx &c, const Thunk &t);
void actConsYY(Ctx &c, const Thunk &t);             // slot = cons(result, slot)
void actConsEtext(Ctx &c, const Thunk &t);          // packSlot(n, i, 1: "\n", 2: "\n\n")
void actConsRawOverCapture(Ctx &c, const Thunk &t);
void actConsRawOrSeparator(Ctx &c, const Thunk &t);
void actYYFromSlot(Ctx &c, const Thunk &t);
void actAddRawSpanList(Ctx &c, const Thunk &t);
void actHoldYY(Ctx &c, const Thunk &t);             // slot = cons(holder(result), slot)
void actHoldSlot(Ctx &c, const Thunk &t);           // packSlot(n, a, b): a = cons(holder(b), a)
void actAddListItems(Ctx &c, const Thunk &t);
void actRefSrc(Ctx &c, const Thunk &t);
void actReference(Ctx &c, const Thunk &t);          // names s, l, r

void actSetType(Ctx &c, const Thunk &t);            // packSlot(n, i, type)
void actSetEndFromCapture(Ctx &c, const Thunk &t);  // slot.end = capture end
void actSetLabel(Ctx &c, const Thunk &t);           // slot.label = text of capture
void actSetAddress(Ctx &c, const Thunk &t);         // slot.address = text of capture
void actYYAddressFromCapture(Ctx &c, const Thunk &t);
void actAddSlotElement(Ctx &c, const Thunk &t);     // add the slot's element
void actAddYYIfAny(Ctx &c, const Thunk &t);
void actImage(Ctx &c, const Thunk &t);
void actExplicitLink(Ctx &c, const Thunk &t);       // names s, l
void actReferenceLinkDouble(Ctx &c, const Thunk &t); // names s, l
void actReferenceLinkSingle(Ctx &c, const Thunk &t); // names s

} // namespace penwick::mdh
