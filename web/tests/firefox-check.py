#!/usr/bin/env python3
"""The download path in Debian's firefox-esr, headless, driven over its own Marionette port: every
format saved by the page (the browser has no save picker, so the file is downloaded under the name)
against petalwright-cli's file for the same seed (the printable ones through the thickness and size
dialog, the STL read by admesh as one part with nothing repaired), a narrow window's layout, and screenshots. Run by hand (not in CI):
    apt-get install firefox-esr
    python3 web/tests/firefox-check.py build/web build/src/petalwright-cli [SCREENSHOT.png]
"""
import base64
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

site, cli = sys.argv[1], sys.argv[2]
screenshot = sys.argv[3] if len(sys.argv) > 3 else None
work = tempfile.mkdtemp(prefix="petalwright-firefox-")
downloads = os.path.join(work, "downloads")
profile = os.path.join(work, "profile")
os.makedirs(downloads)
os.makedirs(profile)
marionette_port = 28281
with open(os.path.join(profile, "user.js"), "w") as prefs:
    for key, value in {
        "marionette.port": marionette_port,
        "browser.download.dir": downloads,
        "browser.download.folderList": 2,
        "browser.download.useDownloadDir": True,
        "browser.download.always_ask_before_handling_new_types": False,
        "browser.helperApps.neverAsk.saveToDisk": "application/octet-stream",
        "browser.shell.checkDefaultBrowser": False,
        "datareporting.policy.dataSubmissionEnabled": False,
        "toolkit.telemetry.enabled": False,
        "app.update.enabled": False,
        "browser.startup.homepage_override.mstone": "ignore",
        "intl.accept_languages": "ja",
    }.items():
        prefs.write(f"user_pref({json.dumps(key)}, {json.dumps(value)});\n")

http_port = 28282
server = subprocess.Popen(["python3", "-m", "http.server", "--bind", "127.0.0.1", "-d", site, str(http_port)],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
firefox = subprocess.Popen(["firefox-esr", "--headless", "--marionette", "--no-remote", "--profile", profile],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env={**os.environ, "MOZ_HEADLESS": "1"})


class Marionette:
    def __init__(self, port):
        for _ in range(300):
            try:
                self.sock = socket.create_connection(("127.0.0.1", port))
                break
            except OSError:
                time.sleep(0.1)
        self.buffer = b""
        self.next_id = 1
        self.read()  # the greeting

    def read(self):
        while b":" not in self.buffer:
            self.buffer += self.sock.recv(65536)
        length, rest = self.buffer.split(b":", 1)
        while len(rest) < int(length):
            rest += self.sock.recv(65536)
        self.buffer = rest[int(length):]
        return json.loads(rest[:int(length)])

    def __call__(self, command, **params):
        message = json.dumps([0, self.next_id, command, params]).encode()
        self.next_id += 1
        self.sock.sendall(str(len(message)).encode() + b":" + message)
        _, _, error, result = self.read()
        if error:
            raise RuntimeError(f"{command}: {error}")
        return result.get("value", result) if isinstance(result, dict) else result


failures = 0


def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    failures += 0 if ok else 1


def script(source, *args):
    return m("WebDriver:ExecuteScript", script=source, args=list(args))


def open_page(query):
    m("WebDriver:Navigate", url=f"http://127.0.0.1:{http_port}/{query}")
    for _ in range(200):
        if script("return document.getElementById('frmMAIN').getAttribute('aria-busy')") == "false":
            return
        time.sleep(0.05)
    raise RuntimeError("the page did not get ready")


def equal_apart_from_date(page, native):
    date = re.compile(rb"\d{4}/\d{2}/\d{2} \d{1,2}:\d{2}:\d{2}")
    a, b = date.search(page), date.search(native)
    if not a and not b:
        return page == native
    if not a or not b or len(a.group()) != len(b.group()):
        return False
    return page[:a.start()] + b.group() + page[a.end():] == native


try:
    m = Marionette(marionette_port)
    m("WebDriver:NewSession", capabilities={})
    texts = ["7", "3", "6", "0.8", "70", "150"]
    open_page("?seed=11")
    print("browser:", script("return navigator.userAgent"))
    runs = [(fmt, texts) for fmt in script("return [...document.querySelectorAll('#cboFORMAT option')].map((o) => o.value)")]
    # A flower of many pieces: its rings are united by the job's helper workers.
    runs.append(("print-stl", ["20", "20", "10", "50", "0", "180"]))
    for fmt, texts in runs:
        open_page("?seed=11")
        script("""const [texts, fmt] = arguments;
            ['txtPETAL', 'txtKASAN', 'txtPHABA', 'txtSYUKU', 'txtANGLS', 'txtANGLE'].forEach((id, i) => {
                const box = document.getElementById(id); box.value = texts[i]; box.dispatchEvent(new Event('input')); });
            const list = document.getElementById('cboFORMAT'); list.value = fmt; list.dispatchEvent(new Event('change'));""",
               texts, fmt)
        time.sleep(0.3)
        name = script("return document.getElementById('txtDXFFILE').value")
        button = m("WebDriver:FindElement", using="css selector", value="#cmdDXF")
        m("WebDriver:ElementClick", id=list(button.values())[0])
        printable = fmt in ("print-stl", "3mf")
        if printable:  # the dialog's remembered or default texts, accepted as they are
            for _ in range(200):
                if script("return !document.getElementById('frmPRINT').hidden"):
                    break
                time.sleep(0.05)
            if texts[0] == "20":  # the many pieces at 80 mm
                script("document.getElementById('txtTHICK').value = '1.2'; document.getElementById('txtSIZE').value = '80';")
            script("document.getElementById('cmdPRINTOK').click()")
            time.sleep(0.5)  # はい, if a large job is asked about
            script("document.querySelector('#msgBox:not([hidden]) #msgButtons button[data-answer=true]')?.click()")
        target = os.path.join(downloads, name)
        for _ in range(1200 if printable else 200):
            if os.path.exists(target) and not os.path.exists(target + ".part") and os.path.getsize(target) > 0:
                break
            time.sleep(0.05)
        time.sleep(0.3)
        page = open(target, "rb").read() if os.path.exists(target) else b""
        if printable:  # admesh reads the STL; the 3MF must hold its model
            if fmt == "3mf":
                import io, zipfile
                check(b"<triangle " in zipfile.ZipFile(io.BytesIO(page)).read("3D/3dmodel.model"), f"3mf: downloaded {name} ({len(page)} bytes)")
            else:
                report = subprocess.run(["admesh", target], capture_output=True, text=True).stdout
                counts = [int(n) for n in re.findall(r"(?:Number of parts|Degenerate facets|Edges fixed|Facets removed|Facets added|Facets reversed|Backwards edges)\s*:\s*(\d+)", report)]
                check(counts == [1, 0, 0, 0, 0, 0, 0], f"{fmt}: downloaded {name} ({len(page)} bytes), admesh {counts}")
            os.remove(target)
            continue
        native_path = os.path.join(work, name)
        subprocess.run([cli, "-q", "--format", fmt, "--seed", "11", "--petals", texts[0], "--overlap", texts[1],
                        "--width", texts[2], "--scale", texts[3], "--angle-start", texts[4], "--angle-end", texts[5],
                        native_path], check=True,
                       env={**os.environ, "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8", "QT_QPA_PLATFORM": "offscreen"})
        native = open(native_path, "rb").read()
        check(equal_apart_from_date(page, native), f"{fmt}: downloaded {name} ({len(page)} bytes) equals petalwright-cli's file")
        os.remove(target)
        if fmt == "petal":  # the flower file is saved without a progress window
            continue
        status = script("return document.getElementById('lblMSG').textContent")
        check(status == "終了しました", f"{fmt}: the progress window says {status}")
    # A narrow window: one column, nothing beyond its sides, and a seed --seed refuses named in the box.
    m("WebDriver:SetWindowRect", width=390, height=844)
    open_page("?seed=-1")
    narrow = script("""const width = document.documentElement.clientWidth;
        const out = [...document.querySelectorAll('input, select, button, a[href], canvas')]
            .filter((e) => { const r = e.getBoundingClientRect(); return r.width > 0 && (r.left < 0 || r.right > width + 0.5); })
            .map((e) => e.id);
        if (document.documentElement.scrollWidth > width) out.push('page');
        return out;""")
    check(not narrow, f"a {script('return innerWidth')} px window: nothing beyond its sides {narrow}")
    message = script("return document.getElementById('msgBox').hidden ? '' : document.getElementById('msgText').textContent")
    check(message.startswith("アドレスの花を開けませんでした。\n形番号は"), f"?seed=-1 named in the message box: {message[:30]!r}")
    if screenshot:
        with open(screenshot.replace(".png", "-narrow.png"), "wb") as out:
            out.write(base64.b64decode(m("WebDriver:TakeScreenshot", full=False)))
        m("WebDriver:SetWindowRect", width=1280, height=800)
        open_page("?seed=1")
        time.sleep(0.5)
        with open(screenshot, "wb") as out:
            out.write(base64.b64decode(m("WebDriver:TakeScreenshot", full=False)))
        print("screenshots:", screenshot, "and its -narrow")
    m("Marionette:Quit")
finally:
    firefox.terminate()
    server.terminate()
    shutil.rmtree(work, ignore_errors=True)
print("FAILED" if failures else "passed")
sys.exit(1 if failures else 0)
