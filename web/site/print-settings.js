// The window's small dialog for the printable solid (frmPRINT): the petals' thickness and the
// flower's size in millimetres. OK checks both with the core (the problems in the message box, the
// dialog stays open); キャンセル or Esc gives up the run. Accepted texts are remembered in the
// browser's storage for the next time, as the window keeps them in its settings.
'use strict';
import { exclamation } from './message-box.js';
import { closeModal, showModal } from './modal.js';

const $ = (id) => document.getElementById(id);
const kThicknessKey = 'petalwright.print.thickness';
const kSizeKey = 'petalwright.print.size';

// The storage may be refused (a private window with storage off): then the dialog only forgets.
function remembered(key, fallback) {
    try {
        return localStorage.getItem(key) ?? fallback;
    } catch {
        return fallback;
    }
}

function remember(texts) {
    try {
        localStorage.setItem(kThicknessKey, texts.thickness);
        localStorage.setItem(kSizeKey, texts.size);
    } catch {
        // nothing kept; the run goes on with the texts
    }
}

// Tab or a click into a box selects its whole text, as in the six boxes.
export function setupPrintSettings() {
    for (const id of ['txtTHICK', 'txtSIZE'])
        $(id).addEventListener('focus', () => $(id).select());
}

// Shows the dialog on the remembered texts (else `defaultThickness` and an empty size). `check(texts)`
// answers the problems in Japanese, empty when good. Resolves to { thickness, size }, trimmed, or
// null when cancelled.
export function askPrintTexts(defaultThickness, check) {
    const dialog = $('frmPRINT');
    const thickness = $('txtTHICK');
    const size = $('txtSIZE');
    thickness.value = remembered(kThicknessKey, defaultThickness);
    size.value = remembered(kSizeKey, '');
    const returnFocus = document.activeElement;
    return new Promise((resolve) => {
        let checking = false;
        const close = (answer) => {
            dialog.removeEventListener('keydown', onKey);
            $('frmPRINTForm').removeEventListener('submit', onSubmit);
            $('cmdPRINTCANCEL').removeEventListener('click', onCancel);
            closeModal(dialog);
            if (returnFocus instanceof HTMLElement && !returnFocus.closest('[inert]'))
                returnFocus.focus();
            resolve(answer);
        };
        const onSubmit = async (event) => {
            event.preventDefault();
            if (checking)
                return;
            checking = true;
            const typed = { thickness: thickness.value.trim(), size: size.value.trim() };
            const problems = await check(typed);
            checking = false;
            if (problems) {
                await exclamation(problems);
                return;
            }
            remember(typed);
            close(typed);
        };
        const onCancel = () => close(null);
        const onKey = (event) => {
            if (event.key === 'Escape' && !checking && $('msgBox').hidden) {
                event.preventDefault();
                close(null);
            } else if (event.key === 'Tab') {
                // The focus stays in the dialog: the two boxes, OK and キャンセル.
                const all = [thickness, size, $('cmdPRINTOK'), $('cmdPRINTCANCEL')];
                const at = all.indexOf(document.activeElement);
                event.preventDefault();
                all[(at + (event.shiftKey ? all.length - 1 : 1)) % all.length].focus();
            }
        };
        dialog.addEventListener('keydown', onKey);
        $('frmPRINTForm').addEventListener('submit', onSubmit);
        $('cmdPRINTCANCEL').addEventListener('click', onCancel);
        showModal(dialog);
        thickness.focus();
    });
}
