#!/usr/bin/env python3
"""Reads raw camera frames from standard input and sums up the producer's frame counters.

The frames are the camera's own: width x height pixels of B G R X, bottom row first. The
producer's test pattern shows its frame counter as a strip of 8x8 blocks 16 pixels from the
top, most significant bit first, white for 1, up to 32 bits (width / 8).
Prints one line: frames, distinct pictures, longest run of one picture, how far the counter
rose from the first frame to the last, and how often it went backwards.
Usage: frame_counters.py WIDTH HEIGHT < FRAMES
"""
import sys


def counter(frame, width, height):
    stride = width * 4
    line = (height - 1 - 20) * stride  # the strip's middle row, counted from the bottom
    value = 0
    for b in range(min(width // 8, 32)):
        green = frame[line + (b * 8 + 4) * 4 + 1]
        value = (value << 1) | (1 if green > 128 else 0)
    return value


def main():
    width, height = int(sys.argv[1]), int(sys.argv[2])
    size = width * height * 4
    values = []
    while True:
        frame = sys.stdin.buffer.read(size)
        if len(frame) < size:
            break
        values.append(counter(frame, width, height))
    longest = run = 1 if values else 0
    backwards = 0
    for previous, current in zip(values, values[1:]):
        run = run + 1 if current == previous else 1
        longest = max(longest, run)
        backwards += current < previous
    rise = values[-1] - values[0] if values else 0
    print(f"frames={len(values)} distinct={len(set(values))} longest_run={longest} "
          f"rise={rise} backwards={backwards}")


if __name__ == '__main__':
    main()
