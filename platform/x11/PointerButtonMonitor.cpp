#include "platform/x11/PointerButtonMonitor.h"

#include "platform/x11/X11Connection.h"

#include <xcb/xinput.h>

#include <cstdlib>

namespace penwick::platform {

namespace {

// Monitors running in this process; the root's raw-event selection is made for the first and
// withdrawn after the last.
int s_running = 0;

uint8_t inputOpcode()
{
    xcb_connection_t* c = x11::connection();
    if (!c)
        return 0;
    const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_input_id);
    return extension && extension->present ? extension->major_opcode : 0;
}

void selectRawButtons(bool on)
{
    xcb_connection_t* c = x11::connection();
    struct {
        xcb_input_event_mask_t header;
        uint32_t mask;
    } mask;
    mask.header.deviceid = XCB_INPUT_DEVICE_ALL_MASTER;
    mask.header.mask_len = 1;
    mask.mask = on ? XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS : 0;
    // Checked, so that the server has the selection before start() returns: presses made
    // afterwards, by any client, are seen.
    std::free(xcb_request_check(c, xcb_input_xi_select_events_checked(c, x11::rootWindow(), 1, &mask.header)));
}

} // namespace

bool PointerButtonMonitor::isSupported()
{
    return inputOpcode() != 0;
}

bool PointerButtonMonitor::start(Handler handler)
{
    const uint8_t opcode = inputOpcode();
    if (!opcode)
        return false;
    m_handler = std::move(handler);
    if (m_subscription.isActive())
        return true;
    m_subscription = x11::subscribeToEvents([this, opcode](xcb_generic_event_t* event) {
        if ((event->response_type & 0x7f) != XCB_GE_GENERIC)
            return false;
        const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
        if (generic->extension != opcode || generic->event_type != XCB_INPUT_RAW_BUTTON_PRESS)
            return false;
        const auto* raw = reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event);
        if (m_handler)
            m_handler(int(raw->detail));
        // Other monitors see the event too; Qt ignores raw events.
        return false;
    });
    if (s_running++ == 0)
        selectRawButtons(true);
    return true;
}

void PointerButtonMonitor::stop()
{
    if (!m_subscription.isActive())
        return;
    m_subscription.reset();
    if (--s_running == 0 && x11::connection())
        selectRawButtons(false);
}

} // namespace penwick::platform
