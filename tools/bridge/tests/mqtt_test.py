#!/usr/bin/env python3
"""quorvex-bridge on an MQTT broker, seen from a hub: each line's device found by discovery, its
commands by name and through each entity's own command topic reaching its own line exactly once,
bad payloads and commands for a gone line sending nothing, the standby switch and corrections of
the assumed state, availability as bridges stop or die, and a broker that restarts.

mqtt_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import os
import signal
import sys

from bench import FRAME, Bridge, Cable, run, wait_until
from broker import PASSWORD, USER, Broker, Hub

# The groups a hub shows, as documented: the select's options in the command table's order.
LAYOUTS = ["single-screen-1", "single-screen-2", "single-screen-3", "single-screen-4", "quad-split", "h-layout",
           "two-way-split-1-2", "two-way-split-3-4", "one-large-three-small-1", "one-large-three-small-2",
           "one-large-three-small-3", "one-large-three-small-4"]
AUDIO = ["audio-1", "audio-2", "audio-3", "audio-4", "mute"]
SWITCHES = ["mode-switch", "resolution-switch", "single-screen-switch", "two-way-split-switch",
            "one-large-three-small-switch"]
ENV_PASSWORD = "QUORVEX_MQTT_PASSWORD"


def mqtt_options(broker):
    return ["--gap", "0", "--mqtt", broker.address, "--mqtt-user", USER]


def topic(name, leaf):
    return f"quorvex/{name}/{leaf}"


def discovered(hub, name):
    """The device's entities by component and id, once all eight have come."""
    configs = {}
    for config_topic, config in hub.under("homeassistant/").items():
        prefix, component, node, entity, leaf = config_topic.split("/")
        if node == f"quorvex-{name}" and leaf == "config":
            configs[(component, entity)] = config
    return configs if len(configs) == 2 + 1 + len(SWITCHES) else None


def online(hub, name):
    return hub.latest(topic(name, "availability")) == "online"


def mark_and_wait(hub, name, cable, expected):
    """A last command through the same path: once its frame is in, anything sent twice would be too."""
    hub.publish(topic(name, "command"), "resolution-switch")
    expected.append(FRAME["resolution-switch"])
    assert wait_until(lambda: len(cable.frames()) >= len(expected)), (name, cable.frames(), expected)
    assert cable.frames() == expected, (name, cable.frames(), expected)


def test_each_line_is_a_device_on_the_hub_and_takes_its_own_commands_once():
    broker = Broker("discovery")
    hub = Hub(broker)
    # A command the broker kept from before is not a command given now.
    hub.publish(topic("rack-1", "command"), "mute", retain=True)
    os.environ[ENV_PASSWORD] = PASSWORD
    cables = {name: Cable(name) for name in ("rack-1", "rack-2", "rack-3")}
    two = Bridge(None, "--line", f"rack-1={cables['rack-1'].near}", "--line", f"rack-2={cables['rack-2'].near}",
                 *mqtt_options(broker))
    one = Bridge(cables["rack-3"].near, "--name", "rack-3", *mqtt_options(broker))
    devices = {}
    for name in cables:
        assert wait_until(lambda: online(hub, name) and discovered(hub, name)), f"{name} was not discovered"
        devices[name] = discovered(hub, name)
    identifiers = [tuple(config["device"]["identifiers"]) for name in cables for config in devices[name].values()]
    assert len(set(identifiers)) == 3, identifiers
    for name, entities in devices.items():
        for (component, entity), config in entities.items():
            assert config["availability_topic"] == topic(name, "availability"), (name, entity, config)
            assert config["unique_id"].startswith(f"quorvex-{name}-"), config
        assert entities[("select", "layout")]["options"] == LAYOUTS, entities[("select", "layout")]
        assert entities[("select", "audio")]["options"] == AUDIO, entities[("select", "audio")]
        assert sorted(e for c, e in entities if c == "button") == sorted(SWITCHES), list(entities)

    # rack-1 through each entity's own command topic and payload, as a hub sends them.
    rack1, expected = devices["rack-1"], []
    for component, entity, payloads in (("select", "layout", LAYOUTS), ("select", "audio", AUDIO)):
        for payload in payloads:
            hub.publish(rack1[(component, entity)]["command_topic"], payload)
            expected.append(FRAME[payload])
    for switch in SWITCHES:
        config = rack1[("button", switch)]
        hub.publish(config["command_topic"], config["payload_press"])
        expected.append(FRAME[switch])
    mark_and_wait(hub, "rack-1", cables["rack-1"], expected)
    # rack-2 by name, by code, and a sequence; rack-3 hears only its own.
    hub.publish(topic("rack-2", "command"), "quad-split")
    hub.publish(topic("rack-2", "command"), "df")
    hub.publish(topic("rack-2", "command"), '["h-layout", {"wait": 50}, "AUDIO-2"]')
    hub.publish(topic("rack-3", "command"), " single-screen-3\n")
    mark_and_wait(hub, "rack-2", cables["rack-2"], [FRAME[n] for n in ("quad-split", "quad-split", "h-layout",
                                                                          "audio-2")])
    mark_and_wait(hub, "rack-3", cables["rack-3"], [FRAME["single-screen-3"]])

    def state_of(name):
        return hub.latest_json(topic(name, "state")) or {}

    def shown(name):
        state = state_of(name)
        return state.get("layout", {}).get("command"), state.get("audio", {}).get("command"), state.get("standby")

    assert wait_until(lambda: shown("rack-2") == ("h-layout", "audio-2", False)), state_of("rack-2")
    assert state_of("rack-2")["assumed"] is True
    assert wait_until(lambda: shown("rack-1") == ("one-large-three-small-4", "mute", False)), state_of("rack-1")
    status, answer = two.request("GET", "/api/lines/rack-3/state")
    assert status == 404, (status, answer)
    status, answer = two.request("GET", "/api/lines/rack-2/state")
    assert status == 200 and answer["layout"]["command"] == "h-layout", answer
    two.stop()
    one.stop()
    hub.close()


def test_bad_payloads_and_commands_for_a_gone_line_send_nothing():
    broker = Broker("refusals")
    hub = Hub(broker)
    os.environ[ENV_PASSWORD] = PASSWORD
    cable = Cable("refusals")
    bridge = Bridge(cable.near, "--name", "bad", *mqtt_options(broker))
    assert wait_until(lambda: online(hub, "bad") and hub.latest(topic("bad", "state"))), "not online"
    payloads = ("", "nonsense", "quad-split junk", "quad-splt", "[]", '["quad-split", "nope"]', '[{"wait": 10}]',
                '{"command": "mute"}', "quad-split.", "quad-split\x00", b"\xff\xfe", "\u200bquad-split",
                '["mute"' + ', "mute"' * 800 + "]", "standby-of")
    corrections = ("standby", "[]", '{"standby": "yes"}', '{"layout": "mute"}', '{"audio": "h-layout"}',
                   '{"colour": 1}', '{"layout": "quad-split", "extra": 1}', '{"standby": true' + " " * 5000 + "}")
    for payload in payloads:
        hub.publish(topic("bad", "command"), payload)
    for correction in corrections:
        hub.publish(topic("bad", "state/set"), correction)

    def refused():
        return bridge.state()["mqtt"]["refused"]

    # Each one refused and counted, none lost unseen.
    assert wait_until(lambda: refused() == len(payloads) + len(corrections)), bridge.state()["mqtt"]
    mark_and_wait(hub, "bad", cable, [])
    state = bridge.state()
    assert (state["layout"]["command"], state["audio"]["command"], state["standby"]) == ("quad-split", "audio-1",
                                                                                         False), state
    assert state["mqtt"]["taken"] == 1, state["mqtt"]
    # A command for a line that is gone is refused, not kept and sent once it is back.
    cable.cut()
    assert wait_until(lambda: not bridge.state()["line"]["open"]), "the bridge did not see the line go"
    hub.publish(topic("bad", "command"), "h-layout")
    hub.publish(topic("bad", "command"), '["quad-split", {"wait": 3000}, "mute"]')
    assert wait_until(lambda: refused() == len(payloads) + len(corrections) + 2), bridge.state()["mqtt"]
    cable.lay()
    assert wait_until(lambda: bridge.state()["line"]["open"]), "the line was not opened again"
    mark_and_wait(hub, "bad", cable, [])
    bridge.stop()
    hub.close()


def test_standby_on_and_off_toggle_only_when_the_assumed_standby_differs_and_corrections_send_nothing():
    broker = Broker("standby")
    hub = Hub(broker)
    os.environ[ENV_PASSWORD] = PASSWORD
    cable = Cable("standby")
    bridge = Bridge(cable.near, "--name", "standby", *mqtt_options(broker))
    assert wait_until(lambda: online(hub, "standby")), "not online"
    command = topic("standby", "command")
    expected = []
    for wanted, toggles in (("standby-off", 0), ("standby-on", 1), ("standby-on", 0), ("standby-off", 1)):
        hub.publish(command, wanted)
        expected += [FRAME["standby"]] * toggles
    hub.publish(command, '["standby-on", "standby-on", "quad-split"]')
    expected += [FRAME["standby"], FRAME["quad-split"]]
    mark_and_wait(hub, "standby", cable, expected)
    for path, toggles in (("standby-on", 0), ("standby-off", 1), ("standby-off", 0)):
        status, answer = bridge.post(f"/api/commands/{path}")
        assert status == 200, (path, status, answer)
        expected += [FRAME["standby"]] * toggles
    # The device was changed by hand: the assumption is corrected, and nothing goes on the line.
    hub.publish(topic("standby", "state/set"), '{"layout": "one-large-three-small-3", "audio": "mute", '
                                               '"standby": true}')

    def state():
        return hub.latest_json(topic("standby", "state"))

    assert wait_until(lambda: (state()["layout"]["command"], state()["audio"]["command"], state()["standby"]) == (
        "one-large-three-small-3", "mute", True)), state()
    hub.publish(command, "standby-on")
    mark_and_wait(hub, "standby", cable, expected)
    status, answer = bridge.request("PUT", "/api/state", '{"standby": false, "audio": "c0"}')
    assert status == 200 and answer["standby"] is False and answer["audio"]["command"] == "audio-2", answer
    assert wait_until(lambda: (state()["audio"]["command"], state()["standby"]) == ("audio-2", False)), state()
    status, answer = bridge.request("PUT", "/api/state", '{"standby": 1}')
    assert status == 400 and answer["error"], answer
    hub.publish(command, "standby-off")
    mark_and_wait(hub, "standby", cable, expected)
    assert bridge.state()["layout"]["command"] == "one-large-three-small-3", bridge.state()
    bridge.stop()
    hub.close()


def test_availability_follows_the_bridge_and_a_restarted_broker_gets_everything_again_over_tcp_and_tls():
    broker = Broker("restart")
    hub = Hub(broker)
    cables = {name: Cable(name) for name in ("stops", "dies")}
    os.environ.pop(ENV_PASSWORD, None)
    password_file, token_file = broker.config + ".password", broker.config + ".token"
    for path, secret in ((password_file, PASSWORD), (token_file, "t0ken")):
        with open(path, "w") as file:
            file.write(secret + "\n")
    stops = Bridge(cables["stops"].near, "--name", "stops", *mqtt_options(broker), "--mqtt-password-file",
                   password_file, "--token-file", token_file)
    os.environ[ENV_PASSWORD] = PASSWORD
    dies = Bridge(cables["dies"].near, "--name", "dies", "--gap", "0", "--mqtt", broker.tls_address, "--mqtt-user",
                  USER, "--mqtt-cafile", broker.cafile)
    for name in cables:
        assert wait_until(lambda: online(hub, name) and discovered(hub, name)), f"{name} not online"

    broker.stop()
    # The broker is away: HTTP does not wait for it (and takes its token from the file).
    assert stops.post("/api/commands/quad-split")[0] == 401
    status, answer = stops.post("/api/commands/quad-split", None, {"Authorization": "Bearer t0ken"})
    assert status == 200, answer
    hub.forget()
    broker.start()
    # The broker kept nothing: everything a hub needs comes again from the bridges.
    for name in cables:
        assert wait_until(lambda: online(hub, name) and discovered(hub, name) and hub.latest(topic(name, "state")),
                          30), f"{name} did not come back"
    hub.publish(topic("stops", "command"), "h-layout")
    mark_and_wait(hub, "stops", cables["stops"], [FRAME["quad-split"], FRAME["h-layout"]])
    mark_and_wait(hub, "dies", cables["dies"], [])

    stops.stop()
    assert wait_until(lambda: hub.latest(topic("stops", "availability")) == "offline"), "no offline after SIGTERM"
    dies.process.send_signal(signal.SIGKILL)
    dies.process.wait(10)
    assert wait_until(lambda: hub.latest(topic("dies", "availability")) == "offline"), "no offline by the will"
    hub.close()


if __name__ == "__main__":
    sys.exit(run([
        test_each_line_is_a_device_on_the_hub_and_takes_its_own_commands_once,
        test_bad_payloads_and_commands_for_a_gone_line_send_nothing,
        test_standby_on_and_off_toggle_only_when_the_assumed_standby_differs_and_corrections_send_nothing,
        test_availability_follows_the_bridge_and_a_restarted_broker_gets_everything_again_over_tcp_and_tls,
    ]))
