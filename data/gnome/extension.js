// Vantrel's GNOME Shell extension for GNOME 45 and later (ES modules); the work is in service.js.
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
import {VantrelService} from './service.js';

export default class VantrelExtension extends Extension {
    enable() {
        this._service = new VantrelService(Main);
        this._service.start();
    }

    disable() {
        this._service?.stop();
        this._service = null;
    }
}
