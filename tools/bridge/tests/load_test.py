#!/usr/bin/env python3
"""quorvex-bridge under load: many clients posting at once get each frame they were answered 200
for on the line exactly once, whole, in the order the bridge answered; a full queue answers 429 and
sends nothing for it; the bridge's memory stays flat across rounds.

load_test.py BRIDGE SIMULATOR SENDER WORKDIR
"""
import sys
import threading

from bench import FRAME, TABLE, Bridge, Cable, run, wait_until

CLIENTS, EACH = 50, 20


def post_at_once(bridge, clients, each):
    """(status, answer) of every post, `clients` threads posting `each` commands, all starting together."""
    answers, lock = [], threading.Lock()
    ready = threading.Barrier(clients)

    def client(index):
        ready.wait()
        for i in range(each):
            name = TABLE[(index * each + i) % len(TABLE)][0]
            result = bridge.post(f"/api/commands/{name}")
            with lock:
                answers.append(result)

    threads = [threading.Thread(target=client, args=(i,)) for i in range(clients)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return answers


def check_line_matches_the_answers(cable, answers, already):
    """The 200s, in the bridge's numbering, are exactly what the line carried after `already` frames."""
    sent = sorted((answer["sent"] for status, answer in answers if status == 200), key=lambda s: s["number"])
    assert [s["number"] for s in sent] == list(range(already + 1, already + 1 + len(sent))), "numbers skipped"
    assert wait_until(lambda: len(cable.frames()) >= already + len(sent), 30), "frames missing on the line"
    assert cable.frames()[already:] == [s["frame"] for s in sent], "the line differs from the answers"
    return already + len(sent)


def test_fifty_clients_at_once_get_every_answered_frame_once_in_order_and_memory_stays_flat():
    cable = Cable("load")
    bridge = Bridge(cable.near, "--gap", "0")
    sent, memory = 0, []
    for _ in range(4):
        answers = post_at_once(bridge, CLIENTS, EACH)
        statuses = {status for status, _ in answers}
        assert statuses <= {200, 429}, statuses
        sent = check_line_matches_the_answers(cable, answers, sent)
        memory.append(bridge.memory_kb())
    assert sent >= CLIENTS * EACH * 4 // 2, f"only {sent} of {CLIENTS * EACH * 4} sent"
    print(f"{sent} of {CLIENTS * EACH * 4} answered 200 and sent; resident memory after each round (kB): {memory}")
    # The first rounds warm the handler threads' stacks and the allocator up; then it stays.
    assert memory[3] - memory[1] < 512, f"resident memory after each round (kB): {memory}"
    bridge.stop()
    cable.cut()


def test_a_full_queue_answers_429_at_once_and_sends_nothing_for_it():
    cable = Cable("full")
    bridge = Bridge(cable.near, "--gap", "0")
    # A sequence holds the line in its wait while a burst of clients fills the queue behind it: 20 s,
    # as 80 clients may take seconds to be answered on a busy machine.
    held = []
    holder = threading.Thread(target=lambda: held.append(bridge.post("/api/sequence", '["mute", {"wait": 20000}, "mute"]')))
    holder.start()
    assert wait_until(lambda: bridge.state()["recent"]), "the sequence did not start"
    answers = post_at_once(bridge, 80, 1)
    holder.join()
    assert held[0][0] == 200, held
    refused = [answer for status, answer in answers if status == 429]
    assert {status for status, _ in answers} == {200, 429}, {status for status, _ in answers}
    assert len(answers) - len(refused) == 64 and all(answer["error"] for answer in refused), f"{len(refused)} refused"
    assert wait_until(lambda: len(cable.frames()) >= 2 + 64)
    assert cable.frames()[:2] == [FRAME["mute"]] * 2, cable.frames()[:2]
    check_line_matches_the_answers(cable, answers, 2)
    assert len(cable.frames()) == 2 + 64, len(cable.frames())
    bridge.stop()
    cable.cut()


if __name__ == "__main__":
    sys.exit(run([
        test_fifty_clients_at_once_get_every_answered_frame_once_in_order_and_memory_stays_flat,
        test_a_full_queue_answers_429_at_once_and_sends_nothing_for_it,
    ]))
