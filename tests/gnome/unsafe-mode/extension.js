// Test only: puts the Shell in unsafe mode, so that org.gnome.Shell.Eval lets the end-to-end test
// arrange and read windows on its own, independently of Vantrel's extension.
class UnsafeMode {
    enable() {
        global.context.unsafe_mode = true;
    }

    disable() {
        global.context.unsafe_mode = false;
    }
}

function init() {
    return new UnsafeMode();
}
