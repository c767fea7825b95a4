// Owning XCB replies, and waiting for the server to catch up: shared by every X connection we hold.
#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace vantrel::x11 {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
// XCB hands out replies and errors allocated with malloc.
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// One round trip: when it returns, the server has handled every request sent before, and every
// event it sent before the reply has arrived.
inline void roundTrip(xcb_connection_t* connection) {
    xcb_generic_error_t* error = nullptr;
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), &error));
    std::free(error);
}

}  // namespace vantrel::x11
