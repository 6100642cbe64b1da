#!/usr/bin/env python3
"""quorvex-bridge's raw TCP port: whole frames of the table go to the line, however the client's
writes cut them; noise, unknown codes and torn frames are dropped and counted, never passed on.

raw_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import socket
import sys

from bench import FRAME, Bridge, Cable, run, wait_until


def frame(name):
    return bytes.fromhex(FRAME[name])


def test_whole_frames_are_forwarded_and_torn_frames_and_junk_never_reach_the_line():
    cable = Cable("raw")
    bridge = Bridge(cable.near, "--gap", "0", "--raw", "127.0.0.1:0")
    assert bridge.raw_port, bridge.start_line

    def dropped():
        return bridge.state()["raw"]["dropped"]

    with socket.create_connection(("127.0.0.1", bridge.raw_port)) as client:
        client.sendall(frame("quad-split") + frame("mute"))
        single = frame("single-screen-2")
        client.sendall(single[:2])  # a frame cut by the client's writes is still whole
        client.sendall(single[2:])
        client.sendall(b"hello\r\n" + frame("audio-3"))  # junk, then a frame
        client.sendall(b"GZZg\n")  # an unknown code
        client.sendall(b"G" + frame("standby"))  # a frame begun again before it ended
        assert wait_until(lambda: len(cable.frames()) == 5), cable.frames()
        before = dropped()
        client.sendall(frame("h-layout")[:3])  # then nothing: torn once the line is quiet
        assert wait_until(lambda: dropped() > before), "the torn frame was not counted"
        client.sendall(frame("h-layout")[3:] + frame("audio-1"))
        client.sendall(frame("two-way-split-1-2")[:4])  # cut by the client hanging up
    expected = [FRAME[n] for n in ("quad-split", "mute", "single-screen-2", "audio-3", "standby", "audio-1")]
    assert wait_until(lambda: bridge.state()["raw"]["forwarded"] == len(expected)), bridge.state()["raw"]
    assert wait_until(lambda: cable.frames() == expected), cable.frames()
    assert wait_until(lambda: dropped() >= 6), bridge.state()["raw"]
    state = bridge.state()
    assert state["layout"]["text"] == "single screen, input 2" and state["audio"]["text"] == "input 1", state
    bridge.stop()
    cable.cut()


def test_silent_connections_stay_open_and_past_64_the_idlest_makes_room_and_is_counted():
    cable = Cable("raw-held")
    bridge = Bridge(cable.near, "--gap", "0", "--raw", "127.0.0.1:0")

    def raw():
        return bridge.state()["raw"]

    active = socket.create_connection(("127.0.0.1", bridge.raw_port))
    silent = [socket.create_connection(("127.0.0.1", bridge.raw_port)) for _ in range(63)]
    assert wait_until(lambda: raw()["connections"] == 64), raw()
    # Control systems keep a connection for days: past any HTTP client's idle time, none is closed.
    assert not wait_until(lambda: raw()["connections"] < 64, 7), raw()
    active.sendall(frame("mute"))
    assert wait_until(lambda: raw()["forwarded"] == 1), raw()
    newcomer = socket.create_connection(("127.0.0.1", bridge.raw_port))
    newcomer.sendall(frame("standby"))
    assert wait_until(lambda: raw()["forwarded"] == 2), raw()
    assert raw()["evicted"] == 1 and raw()["connections"] == 64, raw()
    active.sendall(frame("audio-1"))  # the idlest went, not the one that spoke last
    assert wait_until(lambda: raw()["forwarded"] == 3), raw()
    assert wait_until(lambda: len(cable.frames()) == 3)
    assert cable.frames() == [FRAME[n] for n in ("mute", "standby", "audio-1")], cable.frames()
    for client in [active, newcomer, *silent]:
        client.close()
    bridge.stop()
    cable.cut()


if __name__ == "__main__":
    sys.exit(run([test_whole_frames_are_forwarded_and_torn_frames_and_junk_never_reach_the_line,
                  test_silent_connections_stay_open_and_past_64_the_idlest_makes_room_and_is_counted]))
