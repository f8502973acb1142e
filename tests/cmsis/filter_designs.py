#!/usr/bin/python3
"""The filter designs of the tests, made with scipy as a user makes them, and
what scipy's own filters in double precision make of the tests' signals.

filter_designs.py designs FOLDER
    Writes each design to FOLDER/NAME.txt, with numpy.savetxt: a biquad
    cascade's sos array, or an FIR's taps. Prints a line for each design: its
    name, kind (biquad or fir) and sample rate.

filter_designs.py by_hand FOLDER DESIGN BLOCK
    Writes FOLDER/DESIGN_VARIANT_q15.c and .h for each of the ways that
    users convert an sos array to CMSIS-DSP's q15 biquad cascade by hand, as
    the generated files are written: an instance DESIGN_VARIANT_q15, its
    arrays _coefficients and _state, and the macros _BLOCK_SIZE and
    _STATE_LENGTH. Prints their names.

filter_designs.py snr FOLDER OUTPUTS
    Reads the outputs that the client printed (OUTPUTS): the input of each
    signal, then each filter's output of it, and prints a line for each
    filter and signal: the SNR in dB of the output against the design's
    filter in double precision, sosfilt or lfilter, on the same input."""
import sys

import numpy as np
import scipy.signal as signal

# name: (kind, rate, design)
DESIGNS = {
    'butter_lp2': ('biquad', 16000, lambda fs: signal.butter(2, 1600, fs=fs, output='sos')),
    'ellip_bp6': ('biquad', 16000, lambda fs: signal.ellip(3, 0.5, 60, [300, 3400], 'bandpass', fs=fs, output='sos')),
    'butter_lp4_narrow': ('biquad', 10000, lambda fs: signal.butter(4, 100, fs=fs, output='sos')),
    'cheby1_hp5': ('biquad', 8000, lambda fs: signal.cheby1(5, 1, 500, 'highpass', fs=fs, output='sos')),
    'cheby2_bs4': ('biquad', 22050, lambda fs: signal.cheby2(2, 40, [1000, 2000], 'bandstop', fs=fs, output='sos')),
    'ellip_lp12': ('biquad', 48000, lambda fs: signal.ellip(12, 0.1, 80, 5000, fs=fs, output='sos')),
    'cheby1_bp8': ('biquad', 44100, lambda fs: signal.cheby1(4, 0.5, [2000, 4000], 'bandpass', fs=fs, output='sos')),
    'butter_hp8': ('biquad', 48000, lambda fs: signal.butter(8, 200, 'highpass', fs=fs, output='sos')),
    'cheby2_lp7': ('biquad', 32000, lambda fs: signal.cheby2(7, 60, 4000, fs=fs, output='sos')),
    'ellip_bs4': ('biquad', 16000, lambda fs: signal.ellip(2, 0.5, 40, [1000, 1200], 'bandstop', fs=fs, output='sos')),
    'firwin_lp63': ('fir', 16000, lambda fs: signal.firwin(63, 3200, fs=fs)),
    'firwin_hp31': ('fir', 8000, lambda fs: signal.firwin(31, 1000, pass_zero=False, fs=fs)),
    'remez_bp129': ('fir', 48000, lambda fs: signal.remez(129, [0, 2000, 3000, 8000, 9000, 24000], [0, 1, 0], fs=fs)),
    'firwin_lp8': ('fir', 16000, lambda fs: signal.firwin(8, 4000, fs=fs)),
}


def designs(folder):
    for name, (kind, rate, design) in DESIGNS.items():
        np.savetxt(f'{folder}/{name}.txt', design(rate))
        print(name, kind, rate)


def by_hand(folder, design, block):
    """right: the coefficients as scipy gives them, its gain in the first
    section, a1 and a2 negated, at a shift of 1; not_negated: a1 and a2 as
    scipy gives them; no_shift: scaled by 32768, saturated, at a shift of 0;
    no_zero: five values a section, without the 0 after b0 that q15 reads."""
    sos = np.atleast_2d(np.loadtxt(f'{folder}/{design}.txt'))
    sos = sos / sos[:, 3:4]

    def q15(values, shift):
        return [int(max(-32768, min(32767, np.floor(v * 2 ** (15 - shift) + 0.5)))) for v in values]

    variants = {
        'right': (1, lambda s: [s[0], 0, s[1], s[2], -s[4], -s[5]]),
        'not_negated': (1, lambda s: [s[0], 0, s[1], s[2], s[4], s[5]]),
        'no_shift': (0, lambda s: [s[0], 0, s[1], s[2], -s[4], -s[5]]),
        'no_zero': (1, lambda s: [s[0], s[1], s[2], -s[4], -s[5]]),
    }
    for variant, (shift, layout) in variants.items():
        name = f'{design}_{variant}_q15'
        values = [v for section in sos for v in q15(layout(section), shift)]
        # The library reads six values a section: the array holds as many.
        values += [0] * (6 * len(sos) - len(values))
        with open(f'{folder}/{name}.h', 'w') as header:
            header.write(f'#include "arm_math.h"\n#define {name}_BLOCK_SIZE {block}\n'
                         f'#define {name}_STATE_LENGTH {4 * len(sos)}\n'
                         f'extern const q15_t {name}_coefficients[{len(values)}];\n'
                         f'extern q15_t {name}_state[{name}_STATE_LENGTH];\n'
                         f'extern const arm_biquad_casd_df1_inst_q15 {name};\n')
        with open(f'{folder}/{name}.c', 'w') as source:
            source.write(f'#include "{name}.h"\n'
                         f'const q15_t {name}_coefficients[{len(values)}] __attribute__((aligned(4))) = '
                         f'{{{", ".join(map(str, values))}}};\n'
                         f'q15_t {name}_state[{name}_STATE_LENGTH] __attribute__((aligned(4)));\n'
                         f'const arm_biquad_casd_df1_inst_q15 {name} = '
                         f'{{{len(sos)}, {name}_state, {name}_coefficients, {shift}}};\n')
        print(name)


def snr(folder, outputs):
    """The client prints 'input SIGNAL FULLSCALE', then its samples, one to a
    line, and 'output NAME SIGNAL FIRST END', then the filter's: the samples
    from FIRST to END are those over which --stats measures the tone's SNR."""
    inputs = {}
    current = None
    values = {}
    with open(outputs) as lines:
        for line in lines:
            words = line.split()
            if words[0] in ('input', 'output'):
                current = tuple(words)
                values[current] = []
            elif words[0] == 'filter':
                current = None
            elif current is not None:
                values[current].append(int(words[0]))
    for key, samples in values.items():
        if key[0] == 'input':
            inputs[key[1]] = (np.array(samples, dtype=float) / float(key[2]), float(key[2]))
    for key, samples in values.items():
        if key[0] != 'output':
            continue
        name, which = key[1], key[2]
        design = name[:name.rfind('_')]
        for variant in ('_right', '_not_negated', '_no_shift', '_no_zero'):
            if design.endswith(variant):
                design = design[:-len(variant)]
        type = name[name.rfind('_') + 1:]
        x, full_scale = inputs[f'tone_{name}' if which == 'tone' else f'{which}_{type}']
        coefficients = np.loadtxt(f'{folder}/{design}.txt')
        if DESIGNS[design][0] == 'biquad':
            exact = signal.sosfilt(np.atleast_2d(coefficients), x)
        else:
            exact = signal.lfilter(coefficients, [1.0], x)
        got = np.array(samples, dtype=float) / full_scale
        exact = exact[:len(got)]
        # The noise's steady part, its last half; the sweep after its fade;
        # the cosine's last samples, as the client names them.
        window = {'noise': slice(len(got) // 2, None), 'sweep': slice(1024, None),
                  'half_sweep': slice(0, None), 'tone': slice(int(key[3]), int(key[4]))}[which]
        noise = np.sum((got[window] - exact[window]) ** 2)
        power = np.sum(exact[window] ** 2)
        print(name, which, 'inf' if noise == 0 else f'{10 * np.log10(power / noise):.2f}')


if sys.argv[1] == 'designs':
    designs(sys.argv[2])
elif sys.argv[1] == 'by_hand':
    by_hand(sys.argv[2], sys.argv[3], sys.argv[4])
else:
    snr(sys.argv[2], sys.argv[3])
