#!/usr/bin/python3
"""Writes the MFCC tables of one configuration as CMSIS-DSP's own script
makes them: its functions (Scripts/mfccdata.py) compute them and its
templates write FOLDER/mfccdata.c and FOLDER/mfccdata.h, whose arrays are
named mfcc_<table>_script_<type>, as the library's test data names its own
by configuration.

usage: mfcc_script.py CMSIS_DIR FOLDER FFT_LENGTH SAMPLE_RATE MEL_FILTERS DCT_OUTPUTS FMIN FMAX WINDOW TYPE
WINDOW is hamming or hann, TYPE q15 or q31."""
import os
import sys

cmsis, folder, length, rate, filters, outputs, fmin, fmax, window, kind = sys.argv[1:11]
sys.path.insert(0, os.path.join(cmsis, 'CMSIS-DSP', 'Scripts'))
import mfccdata  # noqa: E402

name = 'script_' + kind
configs = {
    'dct': {name: {'melFilters': int(filters), 'dctOutputs': int(outputs), 'type': kind}},
    'melfilter': {name: {'fftlength': int(length), 'fmin': float(fmin), 'fmax': float(fmax),
                         'samplingRate': float(rate), 'melFilters': int(filters), 'type': kind}},
    # The script reads the window's length from frameLength, else from fftlength.
    'window': {name: {'frameLength': int(length), 'type': kind, 'win': 'hanning' if window == 'hann' else window}},
}
mfccdata.checkF16(configs)
mfccdata.prepareDctconfig(configs['dct'])
mfccdata.prepareMelconfig(configs['melfilter'])
mfccdata.prepareWindowConfig(configs['window'])
with open(os.path.join(folder, 'mfccdata.h'), 'w') as header:
    mfccdata.genMfccHeader(header, configs, 'mfccdata')
with open(os.path.join(folder, 'mfccdata.c'), 'w') as source:
    mfccdata.genMfccInit(source, configs, 'mfccdata')
