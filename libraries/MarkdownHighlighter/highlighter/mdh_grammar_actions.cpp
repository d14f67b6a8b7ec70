#include "mdh_grammar_actions.h"

namespace penwick::mdh {

static std::uint64_t u(std::int32_t v)
{
    return v < 0 ? 0 : static_cast<std::uint64_t>(v);
}

void actNoTypeOverCapture(Ctx &c, const Thunk &t)
{
    c.yy = newElement(c, NO_TYPE, u(t.begin), u(t.end));
}

void actNull(Ctx &c, const Thunk &)
{
    c.yy = nullptr;
}

void actRawSpanOverCapture(Ctx &c, const Thunk &t)
{
    c.yy = newElement(c, RAW_SPAN, u(t.begin), u(t.end));
}

void actLine(Ctx &c, const Thunk &t)
{
    const mdh_Element *raw = c.yy;
    c.yy = newElement(c, RAW_SPAN, raw ? raw->pos : u(t.begin), raw ? raw->end : u(t.end));
}

void actAddOverCapture(Ctx &c, const Thunk &t)
{
    addElement(c, newElement(c, static_cast<int>(t.arg), u(t.begin), u(t.end)));
}

void actAddFromSlot(Ctx &c, const Thunk &t)
{
    const mdh_Element *s = slotOf(c, t);
    addElement(c, newElement(c, slotExtra(t), s ? s->pos : u(t.begin), u(t.end)));
}

void actAddFromSlotType(Ctx &c, const Thunk &t)
{
    const mdh_Element *s = slotOf(c, t);
    if (s)
        addElement(c, newElement(c, s->type, s->pos, u(t.end)));
}

void actAtxStart(Ctx &c, const Thunk &t)
{
    const int hashes = t.end - t.begin;
    c.yy = newElement(c, H1 + hashes - 1, u(t.begin), u(t.end));
}

void actConsYY(Ctx &c, const Thunk &t)
{
    mdh_Element *&a = slotOf(c, t);
    a = cons(c.yy, a);
}

void actConsEtext(Ctx &c, const Thunk &t)
{
    mdh_Element *&a = slotOf(c, t);
    a = cons(mkEtext(c, slotExtra(t) == 2 ? "\n\n" : "\n"), a);
}

void actConsRawOverCapture(Ctx &c, const Thunk &t)
{
    mdh_Element *&a = slotOf(c, t);
    a = cons(newElement(c, RAW_SPAN, u(t.begin), u(t.end)), a);
}

void actConsRawOrSeparator(Ctx &c, const Thunk &t)
{
    mdh_Element *&a = slotOf(c, t);
    const int type = t.end > t.begin ? RAW_SPAN : SPAN_SEPARATOR;
    a = cons(newElement(c, type, u(t.begin), u(t.end)), a);
}

void actYYFromSlot(Ctx &c, const Thunk &t)
{
    c.yy = slotOf(c, t);
}

void actAddRawSpanList(Ctx &c, const Thunk &t)
{
    mdh_Element *list = newElement(c, RAW_SPAN_LIST, u(t.begin), u(t.end));
    list->children = reverseList(slotOf(c, t));
    addElement(c, list);
}

void actHoldYY(Ctx &c, const Thunk &t)
{
    mdh_Element *holder = newElement(c, NO_TYPE, u(t.begin), u(t.end));
    holder->children = c.yy;
    mdh_Element *&a = slotOf(c, t);
    a = cons(holder, a);
}

void actHoldSlot(Ctx &c, const Thunk &t)
{
    const int n = slotN(t);
    mdh_Element *holder = newElement(c, NO_TYPE, u(t.begin), u(t.end));
    holder->children = slot(c, n, slotExtra(t));
    mdh_Element *&a = slot(c, n, slotI(t));
    a = cons(holder, a);
}

void actAddListItems(Ctx &c, const Thunk &t)
{
    for (mdh_Element *holder = slotOf(c, t); holder; holder = holder->next) {
        mdh_Element *list = newElement(c, RAW_SPAN_LIST, u(t.begin), u(t.end));
        list->children = reverseList(holder->children);
        holder->children = nullptr;
        addElement(c, list);
    }
}

void actRefSrc(Ctx &c, const Thunk &t)
{
    c.yy = newElement(c, NO_TYPE, u(t.begin), u(t.end));
    c.yy->address = extractOriginalText(c, u(t.begin), u(t.end));
}

void actReference(Ctx &c, const Thunk &t)
{
    mdh_Element *s = slot(c, 3, 0), *l = slot(c, 3, 1), *r = slot(c, 3, 2);
    mdh_Element *e = newElement(c, REFERENCE, s ? s->pos : u(t.begin), u(t.end));
    if (l)
        e->label = dupString(l->label);
    if (r)
        e->address = dupString(r->address);
    addElement(c, e);
    if (l)
        releaseString(l->label);
    if (r)
        releaseString(r->address);
}

void actSetType(Ctx &c, const Thunk &t)
{
    if (mdh_Element *s = slotOf(c, t))
        s->type = static_cast<mdh_element_type>(slotExtra(t));
}

void actSetEndFromCapture(Ctx &c, const Thunk &t)
{
    if (mdh_Element *s = slotOf(c, t))
        s->end = u(t.end);
    c.yy = slotOf(c, t);
}

void actSetLabel(Ctx &c, const Thunk &t)
{
    if (mdh_Element *s = slotOf(c, t)) {
        releaseString(s->label);
        s->label = extractOriginalText(c, u(t.begin), u(t.end));
    }
}

void actSetAddress(Ctx &c, const Thunk &t)
{
    if (mdh_Element *s = slotOf(c, t)) {
        releaseString(s->address);
        s->address = extractOriginalText(c, u(t.begin), u(t.end));
    }
}

void actYYAddressFromCapture(Ctx &c, const Thunk &t)
{
    if (c.yy) {
        releaseString(c.yy->address);
        c.yy->address = extractOriginalText(c, u(t.begin), u(t.end));
    }
}

void actAddSlotElement(Ctx &c, const Thunk &t)
{
    if (mdh_Element *s = slotOf(c, t))
        addElement(c, s);
}

void actAddYYIfAny(Ctx &c, const Thunk &)
{
    if (c.yy)
        addElement(c, c.yy);
}

void actImage(Ctx &c, const Thunk &)
{
    if (c.yy) {
        c.yy->type = IMAGE;
        c.yy->pos -= 1;
        addElement(c, c.yy);
    }
}

void actExplicitLink(Ctx &c, const Thunk &t)
{
    mdh_Element *s = slot(c, 2, 0), *l = slot(c, 2, 1);
    mdh_Element *link = newElement(c, LINK, s ? s->pos : u(t.begin), u(t.end));
    if (l && l->address)
        link->address = dupString(l->address);
    if (s)
        releaseString(s->label);
    if (l)
        releaseString(l->address);
    c.yy = link;
}

void actReferenceLinkDouble(Ctx &c, const Thunk &t)
{
    mdh_Element *s = slot(c, 2, 0), *l = slot(c, 2, 1);
    mdh_Element *ref = l ? findReference(c, l->label) : nullptr;
    if (ref) {
        mdh_Element *link = newElement(c, LINK, s ? s->pos : u(t.begin), l->end);
        link->label = dupString(l->label);
        link->address = dupString(ref->address);
        c.yy = link;
    } else {
        c.yy = nullptr;
    }
    if (s)
        releaseString(s->label);
    if (l)
        releaseString(l->label);
}

void actReferenceLinkSingle(Ctx &c, const Thunk &t)
{
    mdh_Element *s = slot(c, 1, 0);
    mdh_Element *ref = s ? findReference(c, s->label) : nullptr;
    if (ref) {
        mdh_Element *link = newElement(c, LINK, s->pos, u(t.end));
        link->label = dupString(s->label);
        link->address = dupString(ref->address);
        c.yy = link;
    } else {
        c.yy = nullptr;
    }
    if (s)
        releaseString(s->label);
}

} // namespace penwick::mdh
