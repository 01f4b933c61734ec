// The window's message box in the page: text, buttons, the answer as a promise. The default button
// has the focus; Enter presses the focused button, Esc gives `escapeAnswer`.
'use strict';
import { closeModal, showModal } from './modal.js';

const $ = (id) => document.getElementById(id);
let title = 'Petalwright';

export function setMessageBoxTitle(text) {
    title = text;
}

export function messageBox(text, buttons, escapeAnswer, kind = 'warning') {
    const box = $('msgBox');
    const row = $('msgButtons');
    $('msgTitle').textContent = title;
    $('msgText').textContent = text.replace(/\r\n/g, '\n');
    $('msgIcon').textContent = kind === 'question' ? '?' : '!';
    $('msgIcon').className = kind;
    row.replaceChildren();
    const returnFocus = document.activeElement;
    return new Promise((resolve) => {
        const close = (answer) => {
            box.removeEventListener('keydown', onKey, true);
            closeModal(box);
            if (returnFocus instanceof HTMLElement && !returnFocus.closest('[inert]'))
                returnFocus.focus();
            resolve(answer);
        };
        const onKey = (event) => {
            if (event.key === 'Escape' && escapeAnswer !== undefined) {
                event.preventDefault();
                close(escapeAnswer);
            } else if (event.key === 'Tab') {
                // The focus stays among the box's buttons.
                const all = [...row.querySelectorAll('button')];
                const at = all.indexOf(document.activeElement);
                event.preventDefault();
                all[(at + (event.shiftKey ? all.length - 1 : 1)) % all.length].focus();
            }
        };
        let defaultButton = null;
        for (const { label, answer, isDefault } of buttons) {
            const button = document.createElement('button');
            button.type = 'button';
            button.textContent = label;
            button.dataset.answer = String(answer);
            button.addEventListener('click', () => close(answer));
            row.append(button);
            if (isDefault)
                defaultButton = button;
        }
        box.addEventListener('keydown', onKey, true);
        showModal(box);
        (defaultButton ?? row.querySelector('button')).focus();
    });
}

export const exclamation = (text) => messageBox(text, [{ label: 'OK', answer: true, isDefault: true }], true);
export const question = (text) => messageBox(text, [{ label: 'はい', answer: true }, { label: 'いいえ', answer: false, isDefault: true }], false, 'question');
