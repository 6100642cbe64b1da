#!/usr/bin/env python3
"""quorvex-bridge's web panel in a real browser, headless Chromium driven by Selenium: 23 buttons
with their icons in the dialog's groups, a click puts its frame on the line, the assumed state
shown follows, pushed live (another client's frame shows too, and the page never polls), and the
page fits a phone's width with the state first; with several lines, the line picked is the one
driven, and a correction of its state sends nothing. Leaves its screenshot in
WORKDIR/bridge-panel.png.

panel_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import os
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.select import Select

from bench import FRAME, TABLE, WORK, Bridge, Cable, run, wait_until


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=1100,1500", f"--user-data-dir={os.path.join(WORK, 'profile')}"):
        options.add_argument(flag)
    service = Service("/usr/bin/chromedriver", log_output=os.path.join(WORK, "chromedriver.log"))
    return webdriver.Chrome(service=service, options=options)


def marked(page):
    return sorted(b.get_attribute("data-name") for b in page.find_elements(By.CSS_SELECTOR, "button.command.current"))


def test_the_page_shows_the_buttons_a_click_sends_and_the_state_follows():
    cable = Cable("panel")
    bridge = Bridge(cable.near, "--gap", "0")
    page = browser()
    try:
        page.get(f"http://127.0.0.1:{bridge.port}/")
        assert wait_until(lambda: len(page.find_elements(By.CSS_SELECTOR, "button.command")) == 23), "no 23 buttons"
        buttons = page.find_elements(By.CSS_SELECTOR, "button.command")
        assert sorted(b.get_attribute("data-name") for b in buttons) == sorted(name for name, _, _ in TABLE)
        assert wait_until(lambda: page.execute_script(
            "return [...document.querySelectorAll('button.command img')].every(i => i.complete && i.naturalWidth >= 24)"
        )), "icons did not load"
        legends = [legend.text for legend in page.find_elements(By.TAG_NAME, "legend")]
        assert legends == ["Audio", "Mode", "Mode 1", "Mode 2", "Mode 3", "Mode 4", "Mode 5"], legends
        audio = page.find_element(By.XPATH, "//fieldset[legend='Audio']")
        assert [b.get_attribute("data-name") for b in audio.find_elements(By.TAG_NAME, "button")] == [
            "audio-1", "audio-2", "audio-3", "audio-4", "mute"]
        assert wait_until(lambda: marked(page) == ["audio-1", "quad-split"]), marked(page)
        assert "confirmed" in page.find_element(By.ID, "state").text, "the page does not say the state is assumed"

        for name in ("single-screen-2", "mute"):
            page.find_element(By.CSS_SELECTOR, f"button[data-name='{name}']").click()
            assert wait_until(lambda: cable.frames()[-1:] == [FRAME[name]]), f"{name}: {cable.frames()}"
        assert cable.frames() == [FRAME["single-screen-2"], FRAME["mute"]], cable.frames()
        assert wait_until(lambda: marked(page) == ["mute", "single-screen-2"]), marked(page)
        assert wait_until(lambda: page.find_element(By.ID, "layout").text == "single screen, input 2")
        assert page.find_element(By.ID, "audio").text == "muted"
        recent = page.find_element(By.ID, "recent").text.splitlines()
        assert len(recent) == 2 and "mute" in recent[0] and "single-screen-2" in recent[1], recent
        assert bridge.post("/api/commands/h-layout")[0] == 200  # another client's frame
        assert wait_until(lambda: page.find_element(By.ID, "layout").text == '"H" layout'), \
            page.find_element(By.ID, "layout").text
        assert page.execute_script(
            "return performance.getEntriesByType('resource').filter(e => e.name.includes('/api/state')).length"
        ) == 0, "the page polls /api/state"
        page.save_screenshot(os.path.join(WORK, "bridge-panel.png"))

        page.set_window_size(390, 844)  # a phone: nothing wider than the screen
        assert wait_until(lambda: page.execute_script(
            "return document.documentElement.scrollWidth <= window.innerWidth")), "wider than a phone"
        assert page.execute_script("return document.getElementById('state').getBoundingClientRect().top < "
                                   "document.getElementById('buttons').getBoundingClientRect().top"), \
            "on a phone the state is not first"
    finally:
        page.quit()
    bridge.stop()
    cable.cut()


def test_the_page_drives_the_line_picked_and_corrects_its_state_sending_nothing():
    cables = {name: Cable(name) for name in ("left", "right")}
    bridge = Bridge(None, "--gap", "0", "--line", f"left={cables['left'].near}", "--line",
                    f"right={cables['right'].near}")
    page = browser()
    try:
        page.get(f"http://127.0.0.1:{bridge.port}/#line=right")
        assert wait_until(lambda: len(page.find_elements(By.CSS_SELECTOR, "button.command")) == 23), "no buttons"
        pick = Select(page.find_element(By.ID, "line-pick"))
        assert [o.text for o in pick.options] == ["left", "right"] and pick.first_selected_option.text == "right"
        page.find_element(By.CSS_SELECTOR, "button[data-name='h-layout']").click()
        assert wait_until(lambda: cables["right"].frames() == [FRAME["h-layout"]]), cables["right"].frames()
        pick.select_by_visible_text("left")
        assert wait_until(lambda: marked(page) == ["audio-1", "quad-split"]), marked(page)
        page.find_element(By.CSS_SELECTOR, "button[data-name='mute']").click()
        assert wait_until(lambda: cables["left"].frames() == [FRAME["mute"]]), cables["left"].frames()

        page.find_element(By.CSS_SELECTOR, "#correct summary").click()
        form = page.find_element(By.ID, "correction")
        Select(form.find_element(By.NAME, "layout")).select_by_value("one-large-three-small-2")
        Select(form.find_element(By.NAME, "standby")).select_by_visible_text("on")
        form.find_element(By.TAG_NAME, "button").click()
        assert wait_until(lambda: page.find_element(By.ID, "standby").text == "on"), "the page shows no correction"
        assert page.find_element(By.ID, "layout").text == "one large (input 2), three small"
        status, state = bridge.request("GET", "/api/lines/left/state")
        assert (state["layout"]["command"], state["audio"]["command"], state["standby"]) == (
            "one-large-three-small-2", "mute", True), state
        assert cables["left"].frames() == [FRAME["mute"]] and cables["right"].frames() == [FRAME["h-layout"]]
    finally:
        page.quit()
    bridge.stop()
    for cable in cables.values():
        cable.cut()


if __name__ == "__main__":
    sys.exit(run([test_the_page_shows_the_buttons_a_click_sends_and_the_state_follows,
                  test_the_page_drives_the_line_picked_and_corrects_its_state_sending_nothing]))
