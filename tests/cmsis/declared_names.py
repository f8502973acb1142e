#!/usr/bin/python3
"""Prints, one to a line, the names that CMSIS-DSP's arm_math.h and arm_math_f16.h declare or
defines, through the headers it includes from CMSIS-DSP and CMSIS-Core, in a
build for the host and for a Cortex-M4, a Cortex-M55 with Helium and one
without: its types, functions, objects, enumeration constants and macros,
but those of the prefixes arm_ and ARM_ and those that C reserves. Clang
reads the headers: their declarations from its syntax tree, the macros from
its preprocessor.

usage: declared_names.py CLANG CMSIS_DIR SCRATCH_FOLDER"""
import json
import os
import re
import subprocess
import sys

clang, cmsis, scratch = sys.argv[1:4]
dsp = os.path.join(cmsis, 'CMSIS-DSP')
core = os.path.join(cmsis, 'CMSIS-Core', 'CMSIS', 'Core', 'Include')
newlib = ['-isystem', '/usr/lib/arm-none-eabi/include']
builds = [
    ['-D__GNUC_PYTHON__'],
    ['--target=arm-none-eabi', '-mcpu=cortex-m4', '-mthumb', '-I' + core] + newlib,
    ['--target=arm-none-eabi', '-mcpu=cortex-m55', '-mthumb', '-mfloat-abi=hard', '-I' + core] + newlib,
    ['--target=arm-none-eabi', '-mcpu=cortex-m55', '-mthumb', '-mfloat-abi=hard', '-DARM_MATH_AUTOVECTORIZE',
     '-I' + core] + newlib,
]
probe = os.path.join(scratch, 'probe.c')
with open(probe, 'w') as f:
    f.write('#include "arm_math.h"\n#include "arm_math_f16.h"\n')


def of_cmsis(path):
    return path is not None and os.path.realpath(path).startswith(os.path.realpath(cmsis) + os.sep)


names = set()
for flags in builds:
    command = [clang] + flags + ['-I' + os.path.join(dsp, 'Include'), probe]
    tree = json.loads(subprocess.run(command[:1] + ['-fsyntax-only', '-Xclang', '-ast-dump=json'] + command[1:],
                                     check=True, capture_output=True, text=True).stdout)
    # A node names its file only where it differs from the one before it.
    current = [None]

    def note_file(location):
        for part in (location, location.get('spellingLoc', {}), location.get('expansionLoc', {})):
            if 'file' in part:
                current[0] = part['file']

    def walk(node, top):
        note_file(node.get('loc', {}))
        for end in ('begin', 'end'):
            note_file(node.get('range', {}).get(end, {}))
        kind = node.get('kind')
        if top and kind in ('TypedefDecl', 'FunctionDecl', 'VarDecl', 'EnumConstantDecl') and \
                node.get('name') and of_cmsis(current[0]):
            names.add(node['name'])
        for inner in node.get('inner', []):
            walk(inner, kind in ('TranslationUnitDecl', 'EnumDecl', 'LinkageSpecDecl'))

    walk(tree, True)
    macros = subprocess.run(command[:1] + ['-E', '-dD'] + command[1:], check=True, capture_output=True,
                            text=True).stdout
    file = None
    for line in macros.splitlines():
        marker = re.match(r'# \d+ "([^"]+)"', line)
        if marker:
            file = marker.group(1)
        definition = re.match(r'#define (\w+)', line)
        if definition and of_cmsis(file):
            names.add(definition.group(1))

for name in sorted(names):
    if not re.match(r'arm_|ARM_|__|_[A-Z]', name):
        print(name)
