// Vantrel's GNOME Shell extension for GNOME 43 and 44 (the older imports style). Installed as
// extension.js on those versions; it loads the shared ES-module service with import().
const ExtensionUtils = imports.misc.extensionUtils;
const Main = imports.ui.main;

class VantrelExtension {
    enable() {
        this._enabled = true;
        const uri = ExtensionUtils.getCurrentExtension().dir.get_child('service.js').get_uri();
        import(uri).then(module => {
            // Disabled (or enabled again) while the module loaded: start at most one service.
            if (!this._enabled || this._service)
                return;
            this._service = new module.VantrelService(Main);
            this._service.start();
        }).catch(e => logError(e, 'Vantrel'));
    }

    disable() {
        this._enabled = false;
        this._service?.stop();
        this._service = null;
    }
}

function init() {
    return new VantrelExtension();
}
