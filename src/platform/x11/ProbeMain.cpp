// vantrel-x11-probe: connects to the X server and prints what the backend sees.
#include <cstdio>
#include <string>

#include "base/Clock.h"
#include "base/Log.h"
#include "base/ManualLoop.h"
#include "platform/x11/X11Desktop.h"

namespace {

using namespace vantrel;

template <typename T>
const T* as(const AttributeRead& read) {
    return read.as<T>();
}

void printWindows(X11Desktop& desktop) {
    for (const auto& app : desktop.runningApplications()) {
        std::printf("app %s \"%s\" pid %d %s\n", app.bundleID.value_or("-").c_str(),
                    app.localizedName.value_or("").c_str(), app.processIdentifier,
                    app.activationPolicy == ActivationPolicy::regular ? "regular" : "accessory");
        const AttributeRead windows =
            desktop.copyAttribute(desktop.applicationElement(app), attribute::kWindows);
        const auto* list = as<std::vector<Element>>(windows);
        if (list == nullptr) continue;
        for (std::size_t i = 0; i < list->size(); ++i) {
            const Element& window = (*list)[i];
            const auto title = desktop.copyAttribute(window, attribute::kTitle);
            const auto position = desktop.copyAttribute(window, attribute::kPosition);
            const auto size = desktop.copyAttribute(window, attribute::kSize);
            const auto minimized = desktop.copyAttribute(window, attribute::kMinimized);
            const auto main = desktop.copyAttribute(window, attribute::kMain);
            const Point* p = as<Point>(position);
            const Size* s = as<Size>(size);
            std::printf("  [%zu] \"%s\" %gx%g%+g%+g%s%s\n", i,
                        as<std::string>(title) ? as<std::string>(title)->c_str() : "",
                        s ? s->width : 0, s ? s->height : 0, p ? p->x : 0, p ? p->y : 0,
                        as<bool>(main) && *as<bool>(main) ? " main" : "",
                        as<bool>(minimized) && *as<bool>(minimized) ? " minimized" : "");
        }
    }
}

void printScreens(X11Desktop& desktop) {
    const ScreenList list = desktop.screens();
    for (const auto& screen : list.screens) {
        std::printf("screen %u \"%s\" frame %gx%g%+g%+g visible %gx%g%+g%+g\n",
                    screen.screenNumber.value_or(0), screen.localizedName.value_or("").c_str(),
                    screen.frame.width, screen.frame.height, screen.frame.x, screen.frame.y,
                    screen.visibleFrame.width, screen.visibleFrame.height, screen.visibleFrame.x,
                    screen.visibleFrame.y);
    }
}

void printDesktops(X11Desktop& desktop) {
    const auto config = desktop.spacesDisplayConfiguration();
    if (!config) return;
    const auto* main = config->find("Main");
    const auto* spaces = main != nullptr ? main->find("Spaces") : nullptr;
    const auto* list = spaces != nullptr ? spaces->as<PreferenceValue::List>() : nullptr;
    if (list == nullptr) return;
    for (std::size_t i = 0; i < list->size(); ++i) {
        const auto* windows = (*list)[i].find("windows");
        const auto* numbers = windows != nullptr ? windows->as<PreferenceValue::List>() : nullptr;
        std::printf("desktop %zu:", i + 1);
        if (numbers != nullptr)
            for (const auto& n : *numbers)
                std::printf(" 0x%llx", static_cast<unsigned long long>(*n.as<std::int64_t>()));
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    ManualLoop queue;  // nothing is observed: events are not needed
    SystemClock clock;
    StdoutLog log;
    X11Options options;
    if (argc > 1) options.display = argv[1];
    X11Desktop desktop(log, queue, clock, options);
    if (Status status = desktop.connect(); !status) {
        std::fprintf(stderr, "%s\n", status.error().message.c_str());
        return 1;
    }
    std::printf("trusted %s\n", desktop.isProcessTrusted() ? "yes" : "no");
    if (auto front = desktop.frontmostApplication())
        std::printf("frontmost %s\n", front->bundleID.value_or("-").c_str());
    printWindows(desktop);
    printScreens(desktop);
    printDesktops(desktop);
    return 0;
}
