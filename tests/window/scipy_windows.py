#!/usr/bin/python3
"""Prints the windows of scipy.signal.windows that its arguments name, each
WINDOW:periodic|symmetric:N, as a line with the arguments, then each value on
a line of its own, as Python writes a float: exactly, to the last bit."""
import sys

import scipy.signal.windows as windows

functions = {'hann': windows.hann, 'hamming': windows.hamming, 'blackman': windows.blackman,
             'flattop': windows.flattop}
for argument in sys.argv[1:]:
    window, kind, length = argument.split(':')
    print(argument)
    for value in functions[window](int(length), sym=kind == 'symmetric'):
        print(repr(float(value)))
