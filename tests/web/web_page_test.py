"""The operator's page in a real browser (Debian's chromium, headless,
driven through chromium-driver by python3-selenium) against tavrion-web and
a real headless station, with a ViewSync receiver listening to the
station's datagrams: the page shows the station live, a trim without the
token is refused where it was pressed, a trim with it moves the altitude
the receiver gets, and Save writes the offsets file. Leaves a screenshot of
the page (tavrion-web.png in the build folder, and at
$TAVRION_WEB_SCREENSHOT when set: docs/tavrion-web.png is made so).
Skipped (77) without a private view, chromium, its driver or selenium.

  web_page_test.py BIN_FOLDER SOURCE_FOLDER"""

import csv
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import webtest  # noqa: E402
from webtest import BASE, wait_for, station_status  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"

test = webtest.Test(sys.argv[1], sys.argv[2])
test.require_private_view()
for program in (CHROMIUM, DRIVER):
    if not os.access(program, os.X_OK):
        test.skip("%s is not installed (chromium, chromium-driver)" % program)
try:
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
except ImportError:
    test.skip("python3-selenium is not installed")


def receiver_altitudes():
    """The altitudes of the datagrams the receiver recorded so far."""
    try:
        with open(os.path.join(test.scratch, "viewsync.csv"), newline="") as record:
            return [float(row["altitude"]) for row in csv.DictReader(record) if row["status"] == "ok"]
    except (OSError, KeyError, ValueError):
        return []


def offsets_line(ident):
    with open(os.path.join(test.scratch, "work", "Offsets.dat"), errors="replace") as offsets:
        for line in offsets:
            if line.startswith(ident + "|"):
                return line.strip()
    return ""


monitor = test.start("viewsync", [os.path.join(test.bin, "viewsync-monitor"), "--bind", "127.0.0.1",
                                  "--port", "7001", "--duration", "600",
                                  "--csv", os.path.join(test.scratch, "viewsync.csv")])
if not wait_for(30, lambda: "listening on" in test.log("viewsync.log")):
    test.give_up("the receiver did not start", "viewsync.log")
test.start_station()
token = "page-test-token-" + "7" * 16
web = test.start_web("--token-file", test.write_token(token))
if not wait_for(30, lambda: station_status().get("counter", 0) > 0):
    test.give_up("the station was not watched", "web.log", "station-left.log")

os.environ["HOME"] = test.scratch  # the browser's own files stay in the scratch folder
options = webdriver.ChromeOptions()
options.binary_location = CHROMIUM
for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                 "--user-data-dir=" + os.path.join(test.scratch, "profile"), "--no-first-run",
                 "--window-size=1100,1250", "--disable-extensions", "--disable-sync",
                 "--disable-background-networking", "--disable-component-update"):
    options.add_argument(argument)
try:
    browser = webdriver.Chrome(service=Service(DRIVER, log_path=os.path.join(test.scratch, "driver.log")),
                               options=options)
except WebDriverException as error:
    test.give_up("chromium did not start: %s" % error.msg, "driver.log")

try:
    def find(selector):
        found = browser.find_elements(By.CSS_SELECTOR, selector)
        return found[0] if found else None

    def text(selector):
        element = find(selector)
        return element.text if element is not None else ""

    def counter():
        shown = text('section[data-station="left"] [data-field="counter"]')
        return int(shown) if shown.isdigit() else -1

    def press(command, args=None):
        selector = 'section[data-station="left"] button[data-command="%s"]' % command
        if args:
            selector += '[data-args="%s"]' % args
        find(selector).click()

    def note(group):
        return text('section[data-station="left"] fieldset[data-group="%s"] .note' % group)

    browser.get(BASE + "/")
    test.soon("the page asks for the token once", 20,
              lambda: find("#token-form") is not None and find("#token-form").is_displayed())
    find("#token-cancel").click()

    test.soon("the page shows the station's counter", 20, lambda: counter() > 0, counter)
    first = counter()
    test.soon("and the counter moves from %d" % first, 20, lambda: counter() > first, counter)
    test.soon("the lamp is green", 10, lambda: "green" in (
        find('section[data-station="left"] .lamp').get_attribute("class") or ""))

    press("trim", "up")
    test.soon("a trim without the token is refused where it was pressed", 20,
              lambda: "Refused" in note("trim") and "token" in note("trim"), lambda: note("trim"))
    test.check("and the page asks for the token again", find("#token-form").is_displayed())
    test.check("the station's offset stayed 0.00", station_status().get("offset") == 0.0)

    find("#token-input").send_keys(token)
    find('#token-form button[type="submit"]').click()
    test.soon("the token is taken", 10, lambda: not find("#token-form").is_displayed())

    if not wait_for(30, lambda: len(receiver_altitudes()) > 0):
        test.give_up("the receiver recorded no datagram", "viewsync.log", "station-left.log")
    before = receiver_altitudes()[-1]
    press("trim", "up")
    test.soon("a trim with the token is done", 20,
              lambda: note("trim") == "EGLL offset 0.50 m", lambda: note("trim"))
    test.soon("the receiver's altitude goes from %.1f to %.1f m" % (before, before + 0.5), 30,
              lambda: abs(receiver_altitudes()[-1] - (before + 0.5)) < 0.05,
              lambda: "last %.1f m" % receiver_altitudes()[-1])
    test.soon("the page shows the new offset", 10,
              lambda: text('section[data-station="left"] [data-field="offset"]') == "0.50 m")

    press("save")
    test.soon("Save is done", 20, lambda: note("trim").startswith("Offsets saved"),
              lambda: note("trim"))
    test.check("Offsets.dat holds EGLL's new offset (%s)" % offsets_line("EGLL"),
               offsets_line("EGLL").replace(" ", "").startswith("EGLL|0.5|"))
    for view in ("fwd-left", "forward"):
        press("view", view)
        test.soon("the %s view is shown as chosen" % view, 20,
                  lambda: find('section[data-station="left"] button[data-args="%s"]' % view)
                  .get_attribute("aria-pressed") == "true",
                  lambda: text('section[data-station="left"] [data-field="view"]'))

    # A few seconds of plot for the picture: the counter tells them, at 30 a second.
    shown = counter()
    wait_for(30, lambda: counter() > shown + 150)
    picture = os.path.join(os.path.dirname(test.bin.rstrip("/")), "tavrion-web.png")
    browser.save_screenshot(picture)
    if os.environ.get("TAVRION_WEB_SCREENSHOT"):
        shutil.copy(picture, os.environ["TAVRION_WEB_SCREENSHOT"])
    print("screenshot: %s (%d bytes)" % (picture, os.path.getsize(picture)))
finally:
    browser.quit()

test.stop(monitor)
test.check("tavrion-web stops on SIGTERM with status 0", test.stop(web) == 0)
test.finish("web.log", "station-left.log", "viewsync.log", "driver.log")
