"""Measures a sine tone in captured 16-bit mono PCM: its level, the dominant
frequency, and how cleanly it runs (signal to noise in each window against
one steady tone, so that a lost or repeated stretch shows as noise in the
windows after it). Plain Python: Debian's interpreter here has no numpy.
"""

import array
import cmath
import math
import sys

FULL_SCALE = 32767


def samples(data):
    """The signed 16-bit little-endian samples of `data` (bytes or chunks)."""
    if not isinstance(data, (bytes, bytearray)):
        data = b''.join(data)
    values = array.array('h', data[:len(data) // 2 * 2])
    if sys.byteorder != 'little':
        values.byteswap()
    return values


def decibels(ratio):
    return 20 * math.log10(ratio) if ratio > 0 else -math.inf


def level_db(values):
    """The level of a sine in dB of full scale, from the root mean square:
    0 dB is a sine with peaks at full scale."""
    if not values:
        return -math.inf
    rms = math.sqrt(sum(v * v for v in values) / len(values))
    return decibels(rms * math.sqrt(2) / FULL_SCALE)


class Tone:
    """The least-squares fit of a sine of a known frequency (and an offset)
    to `values`, the first of which is sample `first` of the stream."""

    def __init__(self, values, frequency, rate, first=0):
        step = 2 * math.pi * frequency / rate
        n = len(values)
        # Normal equations of [cos, sin, 1]; solved in closed form.
        cc = ss = cs = c1 = s1 = xc = xs = x1 = 0.0
        for k, x in enumerate(values, first):
            c, s = math.cos(step * k), math.sin(step * k)
            cc += c * c
            ss += s * s
            cs += c * s
            c1 += c
            s1 += s
            xc += x * c
            xs += x * s
            x1 += x
        matrix = [[cc, cs, c1], [cs, ss, s1], [c1, s1, float(n)]]
        self.a, self.b, self.offset = _solve(matrix, [xc, xs, x1]) if n >= 3 else (0.0, 0.0, 0.0)
        self.step = step
        self.amplitude = math.hypot(self.a, self.b)

    @property
    def level_db(self):
        return decibels(self.amplitude / FULL_SCALE)

    def at(self, k):
        return self.a * math.cos(self.step * k) + self.b * math.sin(self.step * k) + self.offset


def _solve(matrix, vector):
    """Gaussian elimination with partial pivoting, for the 3x3 fit."""
    rows = [row[:] + [value] for row, value in zip(matrix, vector)]
    size = len(rows)
    for column in range(size):
        pivot = max(range(column, size), key=lambda r: abs(rows[r][column]))
        rows[column], rows[pivot] = rows[pivot], rows[column]
        if abs(rows[column][column]) < 1e-12:
            return (0.0,) * size
        for r in range(column + 1, size):
            factor = rows[r][column] / rows[column][column]
            for c in range(column, size + 1):
                rows[r][c] -= factor * rows[column][c]
    result = [0.0] * size
    for r in reversed(range(size)):
        result[r] = (rows[r][size] - sum(rows[r][c] * result[c] for c in range(r + 1, size))) / rows[r][r]
    return tuple(result)


def snr_per_window(values, frequency, rate, window_seconds=0.25):
    """Signal to noise, in dB, of each whole window against one tone fitted
    to all of `values`: a gap or a repeat shifts the phase of everything
    after it, which then counts as noise."""
    tone = Tone(values, frequency, rate)
    window = int(window_seconds * rate)
    signal = tone.amplitude ** 2 / 2
    ratios = []
    for start in range(0, len(values) - window + 1, window):
        noise = sum((values[k] - tone.at(k)) ** 2 for k in range(start, start + window)) / window
        ratios.append(10 * math.log10(signal / noise) if noise > 0 else math.inf)
    return ratios


def _fft(values):
    """Radix-2 transform of a list whose length is a power of two."""
    n = len(values)
    if n == 1:
        return list(values)
    even, odd = _fft(values[0::2]), _fft(values[1::2])
    twiddled = [cmath.exp(-2j * math.pi * k / n) * odd[k] for k in range(n // 2)]
    return [even[k] + twiddled[k] for k in range(n // 2)] + [even[k] - twiddled[k] for k in range(n // 2)]


def dominant_frequency(values, rate, size=4096):
    """The frequency of the strongest component of the middle `size` samples
    (Hann window, peak located between bins), or 0 for silence."""
    if len(values) < size:
        size = 1 << max(1, (len(values).bit_length() - 1))
    start = (len(values) - size) // 2
    stretch = [values[start + k] * (0.5 - 0.5 * math.cos(2 * math.pi * k / size)) for k in range(size)]
    magnitudes = [abs(bin_) for bin_ in _fft(stretch)[:size // 2]]
    peak = max(range(1, size // 2 - 1), key=magnitudes.__getitem__)
    if magnitudes[peak] == 0:
        return 0.0
    left, middle, right = (math.log(max(magnitudes[peak + d], 1e-9)) for d in (-1, 0, 1))
    curvature = left - 2 * middle + right
    offset = 0.5 * (left - right) / curvature if curvature else 0.0
    return (peak + offset) * rate / size


def stretches(values, gap=16):
    """`values` split at every run of at least `gap` zero samples, the runs
    left out: what a device delivered between the silences keep-alive laid
    in. A sounding tone crosses zero, but never rests there for a
    millisecond."""
    parts, start, zeros = [], 0, 0
    for k, v in enumerate(values):
        if v:
            if zeros >= gap:
                if start < k - zeros:
                    parts.append(values[start:k - zeros])
                start = k
            zeros = 0
        else:
            zeros += 1
    end = len(values) - zeros if zeros >= gap else len(values)
    if start < end:
        parts.append(values[start:end])
    return parts


def sounding(values, threshold=0.5):
    """`values` from the first sample above `threshold` of their peak on:
    the capture without the silence before the tone reached it."""
    peak = max((abs(v) for v in values), default=0)
    first = next((k for k, v in enumerate(values) if abs(v) > threshold * peak), len(values))
    return values[first:] if peak else values[:0]
