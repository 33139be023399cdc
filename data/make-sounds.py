#!/usr/bin/env python3
"""Writes the two shipped sounds, tick.wav and emile.wav, next to this script.

Both are synthesised here (standard library only), so the output is the same
on every run: 16-bit mono PCM at 22050 Hz.
"""
import math
import os
import struct
import wave

RATE = 22050


def write_wav(name, samples):
    peak = max(abs(s) for s in samples) or 1.0
    scale = 0.6 * 32767 / peak
    frames = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def tick():
    # 25 ms: a bright partial pair with a few-millisecond decay, short enough
    # that the next second's check is barely delayed.
    count = int(RATE * 0.025)
    out = []
    for i in range(count):
        t = i / RATE
        env = math.exp(-t / 0.003)
        attack = min(1.0, i / 8.0)
        s = math.sin(2 * math.pi * 2500 * t) + 0.5 * math.sin(2 * math.pi * 5200 * t)
        out.append(attack * env * s)
    return out


def bell(freq, t):
    # Partials of a small bell, the higher ones dying away sooner.
    partials = ((1.0, 1.0, 1.2), (2.0, 0.5, 0.6), (2.76, 0.3, 0.4), (5.4, 0.15, 0.15))
    return sum(a * math.exp(-t / d) * math.sin(2 * math.pi * freq * r * t)
               for r, a, d in partials)


def chime():
    # Three falling notes and a final low one, about three seconds in all.
    notes = ((0.00, 1046.5), (0.45, 880.0), (0.90, 698.5), (1.35, 523.25))
    length = 3.2
    count = int(RATE * length)
    out = []
    for i in range(count):
        t = i / RATE
        s = 0.0
        for start, freq in notes:
            if t >= start:
                dt = t - start
                s += min(1.0, dt * RATE / 16.0) * bell(freq, dt)
        fade = min(1.0, (length - t) / 0.3)
        out.append(s * fade)
    return out


if __name__ == "__main__":
    write_wav("tick.wav", tick())
    write_wav("emile.wav", chime())
