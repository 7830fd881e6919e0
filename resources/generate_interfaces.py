#!/usr/bin/env python3
"""Writes the C++ declarations of zolmcom's interfaces and identifiers from
resources/zolmcom.idl, for the Linux and the Windows builds alike, so that
the operation tables the objects implement are laid out exactly as the type
library describes them.

Usage: generate_interfaces.py INPUT.idl OUTPUT.h

It reads the same small subset of IDL as the Linux type library service:
attribute lists, interfaces derived from IDispatch whose methods return
HRESULT, coclasses, a library block, import and importlib lines, comments.
Property reads become get_Name, as the platform's IDL compiler names them.
"""

import re
import sys

TOKEN = re.compile(r'\s+|//[^\n]*|/\*.*?\*/|"(?:[^"\\\n]|\\.)*"|'
                   r'[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}|'
                   r'[A-Za-z_][A-Za-z0-9_]*|[0-9]+(?:\.[0-9]+)?|[\[\](){};:,*=]', re.S)
GUID = re.compile(r'^([0-9A-Fa-f]{8})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-'
                  r'([0-9A-Fa-f]{4})-([0-9A-Fa-f]{12})$')
PARAMETER_TYPES = {('BSTR', 0), ('BSTR', 1), ('VARIANT', 1), ('VARIANT_BOOL', 1)}


class IdlError(Exception):
    pass


def tokens(text):
    pos = 0
    out = []
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m:
            line = text.count('\n', 0, pos) + 1
            raise IdlError('line %d: unexpected character %r' % (line, text[pos]))
        pos = m.end()
        t = m.group(0)
        if t.isspace() or t.startswith('//') or t.startswith('/*'):
            continue
        out.append(t)
    return out


class Parser:
    def __init__(self, toks):
        self.toks = toks
        self.pos = 0

    def peek(self):
        return self.toks[self.pos] if self.pos < len(self.toks) else None

    def take(self, expected=None):
        t = self.peek()
        if t is None:
            raise IdlError('unexpected end of text')
        if expected is not None and t != expected:
            raise IdlError('expected %r, found %r' % (expected, t))
        self.pos += 1
        return t

    def attributes(self):
        """[name, name(args), ...] as a dict of name -> list of argument tokens."""
        attrs = {}
        if self.peek() != '[':
            return attrs
        self.take('[')
        while True:
            name = self.take()
            args = []
            if self.peek() == '(':
                self.take('(')
                depth = 1
                while depth:
                    t = self.take()
                    depth += {'(': 1, ')': -1}.get(t, 0)
                    if depth:
                        args.append(t)
            attrs[name] = args
            sep = self.take()
            if sep == ']':
                return attrs
            if sep != ',':
                raise IdlError('expected "," or "]" in attribute list, found %r' % sep)

    def interface(self, attrs):
        name = self.take()
        if self.peek() == ';':  # a reference inside a library or coclass
            self.take(';')
            return None
        self.take(':')
        base = self.take()
        if base != 'IDispatch':
            raise IdlError('%s: only interfaces derived from IDispatch are understood' % name)
        self.take('{')
        methods = []
        while self.peek() != '}':
            mattrs = self.attributes()
            if self.take() != 'HRESULT':
                raise IdlError('%s: methods must return HRESULT' % name)
            mname = self.take()
            self.take('(')
            params = []
            while self.peek() != ')':
                pattrs = self.attributes()
                ptype = self.take()
                depth = 0
                while self.peek() == '*':
                    self.take('*')
                    depth += 1
                if (ptype, depth) not in PARAMETER_TYPES:
                    raise IdlError('%s.%s: unsupported parameter type %s%s'
                                   % (name, mname, ptype, '*' * depth))
                params.append((ptype + '*' * depth, self.take(), pattrs))
                if self.peek() == ',':
                    self.take(',')
            self.take(')')
            self.take(';')
            if 'id' not in mattrs:
                raise IdlError('%s.%s: no id' % (name, mname))
            methods.append((mname, mattrs, params))
        self.take('}')
        self.take(';')
        return {'name': name, 'attrs': attrs, 'methods': methods}

    def body(self, out):
        """Definitions up to the end of the text or a closing brace."""
        while self.peek() not in (None, '}'):
            if self.peek() in ('import', 'importlib'):
                while self.take() != ';':
                    pass
                continue
            attrs = self.attributes()
            kind = self.take()
            if kind == 'interface':
                item = self.interface(attrs)
                if item:
                    out['interfaces'].append(item)
            elif kind == 'coclass':
                name = self.take()
                self.take('{')
                while self.take() != '}':
                    pass
                self.take(';')
                out['coclasses'].append({'name': name, 'attrs': attrs})
            elif kind == 'library':
                out['library'] = {'name': self.take(), 'attrs': attrs}
                self.take('{')
                self.body(out)
                self.take('}')
                if self.peek() == ';':
                    self.take(';')
            else:
                raise IdlError('unexpected %r' % kind)


def guid_initializer(attrs, owner):
    if 'uuid' not in attrs or len(attrs['uuid']) != 1:
        raise IdlError('%s: no uuid' % owner)
    m = GUID.match(attrs['uuid'][0])
    if not m:
        raise IdlError('%s: malformed uuid' % owner)
    d1, d2, d3, d4a, d4b = m.groups()
    d4 = d4a + d4b
    data4 = ', '.join('0x%s' % d4[i:i + 2].upper() for i in range(0, 16, 2))
    return '{0x%s, 0x%s, 0x%s, {%s}}' % (d1.upper(), d2.upper(), d3.upper(), data4)


def uuid_decl(name, attrs):
    m = GUID.match(attrs['uuid'][0])
    d1, d2, d3, d4a, d4b = m.groups()
    d4 = d4a + d4b
    parts = ['0x' + d1, '0x' + d2, '0x' + d3] + ['0x' + d4[i:i + 2] for i in range(0, 16, 2)]
    return '__CRT_UUID_DECL(%s, %s)' % (name, ', '.join(parts))


def generate(text, source_name):
    out = {'interfaces': [], 'coclasses': [], 'library': None}
    parser = Parser(tokens(text))
    parser.body(out)
    if parser.peek() is not None:
        raise IdlError('unexpected %r' % parser.peek())
    if out['library'] is None:
        raise IdlError('no library block')

    lines = [
        '// The C++ declarations of zolmcom\'s interfaces and identifiers, written by',
        '// resources/generate_interfaces.py from %s at build time;' % source_name,
        '// do not edit. Each interface lists its operations in slot order after the',
        '// seven of IDispatch. Include "automation/zolmcomInterfaces.h" instead of this file.',
        '#pragma once',
        '',
        '#include "platform/wintypes.h"',
        '',
    ]
    lib = out['library']
    lines.append('inline constexpr GUID LIBID_%s = %s;'
                 % (lib['name'], guid_initializer(lib['attrs'], lib['name'])))
    for c in out['coclasses']:
        lines.append('inline constexpr CLSID CLSID_%s = %s;'
                     % (c['name'], guid_initializer(c['attrs'], c['name'])))
    for i in out['interfaces']:
        lines.append('inline constexpr IID IID_%s = %s;'
                     % (i['name'], guid_initializer(i['attrs'], i['name'])))
    for i in out['interfaces']:
        help_text = i['attrs'].get('helpstring', ['""'])[0]
        lines += ['', '// %s %s' % (i['name'], help_text), 'struct %s : public IDispatch {' % i['name']]
        for slot, (mname, mattrs, params) in enumerate(i['methods'], start=7):
            cname = ('get_' if 'propget' in mattrs else '') + mname
            if 'propput' in mattrs or 'propputref' in mattrs:
                raise IdlError('%s.%s: property writes are not supported' % (i['name'], mname))
            plist = ', '.join('%s %s' % (ptype, pname) for ptype, pname, _ in params)
            lines.append('  // slot %d, dispatch id %s' % (slot, mattrs['id'][0]))
            lines.append('  STDMETHOD(%s)(%s) PURE;' % (cname, plist))
        lines.append('};')
    lines += ['', '#if defined(_WIN32) && defined(__CRT_UUID_DECL)']
    for i in out['interfaces']:
        lines.append(uuid_decl(i['name'], i['attrs']))
    lines += ['#endif', '']
    return '\n'.join(lines)


def main():
    if len(sys.argv) != 3:
        sys.stderr.write('usage: generate_interfaces.py INPUT.idl OUTPUT.h\n')
        return 2
    with open(sys.argv[1], encoding='utf-8') as f:
        text = f.read()
    try:
        header = generate(text, 'resources/' + sys.argv[1].replace('\\', '/').split('/')[-1])
    except IdlError as e:
        sys.stderr.write('%s: %s\n' % (sys.argv[1], e))
        return 1
    with open(sys.argv[2], 'w', encoding='utf-8') as f:
        f.write(header)
    return 0


if __name__ == '__main__':
    sys.exit(main())
