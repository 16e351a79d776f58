#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzzers into corpus/<fuzzer>/.

The fuzzers read their input through FuzzedDataProvider, which takes numbers
from the end of the input and byte runs from the front, so a seed is no more
than a start: a few constant and pseudo-random byte strings of a few lengths
(a fixed seed, so the files never change). Any other file there is an input
that once found a fault, kept so that every run replays it."""
import os
import random

FUZZERS = ["remote_input_fuzz", "settings_fuzz", "main_window_fuzz"]

def seeds(rng):
    yield "zeros-64", bytes(64)
    yield "ones-256", bytes([1]) * 256
    yield "ramp-512", bytes(i % 256 for i in range(512))
    for n in (48, 300, 1200):
        yield f"random-{n}", bytes(rng.randrange(256) for _ in range(n))

here = os.path.dirname(os.path.abspath(__file__))
for index, fuzzer in enumerate(FUZZERS):
    folder = os.path.join(here, "corpus", fuzzer)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds(random.Random(index)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
