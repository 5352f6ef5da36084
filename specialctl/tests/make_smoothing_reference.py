#!/usr/bin/env python3
"""Writes smoothing_reference.inc: noisy peak traces with their smoothed
values and five-point apex times, computed independently with numpy
(np.interp for the even grid and the way back, a normalised convolution
for the edge-renormalised Gaussian, np.polyfit for the parabola).

Run once from this folder: python3 make_smoothing_reference.py
The output is kept in the repository; the tests need no Python."""
import numpy as np

rng = np.random.default_rng(20261210)


def trace(n, start, end, peaks, noise, drift, jitter):
    """n increasing times with jitter, peaks (centre, height, sigma) on a
    drifting baseline, Gaussian noise and a few counts of shot noise."""
    t = np.linspace(start, end, n)
    step = (end - start) / (n - 1)
    t[1:-1] += rng.uniform(-jitter, jitter, n - 2) * step
    y = 800.0 + drift * (t - start)
    for c, h, s in peaks:
        y += h * np.exp(-0.5 * ((t - c) / s) ** 2)
    y += rng.normal(0.0, noise, n) + np.sqrt(np.maximum(y, 0)) * rng.normal(0.0, 1.0, n)
    return t, y


def smooth(t, y, width):
    n = len(t)
    m = max(n, 15)
    w = max(1, (width * m) // 32)
    grid = np.linspace(t[0], t[-1], m)
    r = np.interp(grid, t, y)
    j = np.arange(-w, w + 1)
    k = np.exp(-4.5 * j.astype(float) ** 2 / float(w * w))
    # Each window is divided by the kernel weight that falls on the grid.
    pad = np.zeros(m + 2 * w)
    pad[w:w + m] = r
    ones = np.zeros(m + 2 * w)
    ones[w:w + m] = 1.0
    b = np.array([np.dot(k, pad[i:i + 2 * w + 1]) / np.dot(k, ones[i:i + 2 * w + 1]) for i in range(m)])
    return np.interp(t, grid, b)


def apex(t, y):
    a, b, _ = np.polyfit(t, y, 2)
    return -b / (2 * a)


cases = [
    # name, n, start, end, peaks, noise, drift, jitter, width
    ("narrow peak, 40 uneven points", 40, 4.0, 7.0, [(5.3, 9.0e4, 0.12)], 350.0, 120.0, 0.3, 2),
    ("short list on the 15-point grid", 9, 1.0, 1.8, [(1.42, 3.0e3, 0.1)], 60.0, 40.0, 0.2, 2),
    ("broad and narrow peaks, 100 points", 100, 2.0, 12.0, [(4.0, 2.5e5, 0.6), (8.7, 6.0e4, 0.08)], 900.0,
     -300.0, 0.25, 5),
    ("widest usual width, 60 points", 60, 10.0, 14.0, [(11.9, 4.0e4, 0.3)], 500.0, 0.0, 0.1, 16),
    ("width past the grid, 30 points", 30, 0.5, 3.5, [(2.1, 1.2e4, 0.4)], 200.0, 75.0, 0.1, 40),
]


def fmt(values):
    return ", ".join(repr(float(v)) for v in values)


lines = ["// Made by make_smoothing_reference.py (numpy); do not edit by hand.", ""]
for i, (name, n, s, e, peaks, noise, drift, jitter, width) in enumerate(cases):
    t, y = trace(n, s, e, peaks, noise, drift, jitter)
    z = smooth(t, y, width)
    lines.append(f"// {name}")
    lines.append(f"const double kTimes{i}[] = {{{fmt(t)}}};")
    lines.append(f"const double kValues{i}[] = {{{fmt(y)}}};")
    lines.append(f"const double kSmoothed{i}[] = {{{fmt(z)}}};")
    lines.append("")
lines.append("const SmoothingCase kSmoothingCases[] = {")
for i, (name, n, *_rest) in enumerate(cases):
    width = cases[i][8]
    lines.append(f'    {{"{name}", {n}, {width}, kTimes{i}, kValues{i}, kSmoothed{i}}},')
lines.append("};")
lines.append("")

# Apex fits: five points around the maximum of noisy peaks, the way the
# control picks them (the largest point and two on each side).
lines.append("const ApexCase kApexCases[] = {")
for c, h, s, noise, step in [(5.3, 9.0e4, 0.12, 350.0, 0.05), (8.71, 6.0e4, 0.08, 900.0, 0.031),
                             (3.05, 2.0e3, 0.25, 40.0, 0.1), (15.5, 1.0e6, 0.05, 2.0e4, 0.013)]:
    t = c + step * (np.arange(-6, 7) + rng.uniform(-0.3, 0.3, 13)) + rng.uniform(-0.5, 0.5) * step
    y = 500 + h * np.exp(-0.5 * ((t - c) / s) ** 2) + rng.normal(0, noise, 13)
    i = int(np.argmax(y))
    i = min(max(i, 2), 10)
    tt, yy = t[i - 2:i + 3], y[i - 2:i + 3]
    lines.append(f"    {{{{{fmt(tt)}}}, {{{fmt(yy)}}}, {repr(float(apex(tt, yy)))}}},")
lines.append("};")

with open("smoothing_reference.inc", "w") as f:
    f.write("\n".join(lines) + "\n")
