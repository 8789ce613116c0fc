#!/usr/bin/python3
"""Writes resources/Effect.wav, Webcam's shutter sound: two short clicks of filtered noise, as a
camera's shutter opens and closes (22.05 kHz, 16-bit mono, about 0.2 s). Deterministic."""
import math
import os
import random
import struct
import wave

RATE = 22050
HERE = os.path.dirname(os.path.abspath(__file__))


def click(length, loudness, rng):
    samples = []
    previous = 0.0
    for i in range(length):
        envelope = math.exp(-i / (length / 6.0))
        noise = rng.uniform(-1.0, 1.0)
        previous = 0.6 * previous + 0.4 * noise  # a little low-pass: less hiss
        samples.append(loudness * envelope * previous)
    return samples


def main():
    rng = random.Random(20091207)
    sound = click(int(RATE * 0.05), 0.9, rng)
    sound += [0.0] * int(RATE * 0.06)
    sound += click(int(RATE * 0.08), 0.7, rng)
    sound += [0.0] * int(RATE * 0.02)
    path = os.path.join(HERE, "..", "resources", "Effect.wav")
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32000))
                                 for s in sound))


if __name__ == "__main__":
    main()
