#!/usr/bin/env python3
"""Rewrites an ASCII Fluent case or data file with binary sections: nodes as 64-bit reals (3010), cells
and faces as 32-bit integers (2012, 2013), data as 64-bit reals (3300); other sections are copied.
Usage: binary.py IN OUT"""
import re
import struct
import sys

text = open(sys.argv[1]).read()
out = []
pos = 0
header = re.compile(r'\((10|12|13|300) \(([^()]*)\)\s*\(')
while True:
    m = header.search(text, pos)
    if not m:
        break
    index, head = m.group(1), m.group(2)
    fields = head.split()
    body_end = text.index(')', m.end())
    body = text[m.end():body_end].split()
    out.append(text[pos:m.start()])
    if index == '10':
        data = struct.pack('<%dd' % len(body), *map(float, body))
        tag = '3010'
    elif index == '300':
        data = struct.pack('<%dd' % len(body), *map(float, body))
        tag = '3300'
    else:
        data = struct.pack('<%di' % len(body), *[int(v, 16) for v in body])
        tag = '20' + index
    out.append('(%s (%s)\n(' % (tag, head))
    out.append(data.decode('latin-1'))
    out.append(')\nEnd of Binary Section %s)' % tag)
    # Skips the rest of the ASCII section (the body's ')' and the section's, and any empty list between).
    close = body_end + 1
    depth = 1
    while depth:
        c = text[close]
        depth += (c == '(') - (c == ')')
        close += 1
    pos = close
out.append(text[pos:])
open(sys.argv[2], 'w', encoding='latin-1', newline='').write(''.join(out))
