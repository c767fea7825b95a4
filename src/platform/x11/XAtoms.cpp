// Interning the backend's atoms: all requests first, then all replies.
#include "platform/x11/XAtoms.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace vantrel::x11 {

bool internAtoms(xcb_connection_t* connection, Atoms& atoms) {
    struct Pending {
        xcb_atom_t* field;
        xcb_intern_atom_cookie_t cookie;
    };
    std::vector<Pending> pending;
#define VANTREL_X11_ATOM_REQUEST(name) \
    pending.push_back(                 \
        {&atoms.name,                  \
         xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(#name)), #name)});
    VANTREL_X11_ATOMS(VANTREL_X11_ATOM_REQUEST)
#undef VANTREL_X11_ATOM_REQUEST
    bool ok = true;
    for (auto& p : pending) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, p.cookie, nullptr);
        if (reply == nullptr) {
            ok = false;
            continue;
        }
        *p.field = reply->atom;
        std::free(reply);
    }
    return ok;
}

}  // namespace vantrel::x11
