#!/usr/bin/env python3
"""The one reader of resources/zolmcom.idl. From the interface definitions it
writes, at build time:

- the C++ declarations of zolmcom's interfaces and identifiers, for the Linux
  and the Windows builds alike, so that the operation tables the objects
  implement are laid out exactly as the type library describes them;
- with --typelib, the type library in the Linux form: the library's types as
  the host type library service serves them (platform/host/typelibModel.h),
  in a compact binary that the service loads without reading any text
  (platform/host/typelibLoad.cpp). The library carries it as resource
  "TYPELIB" 1 on Linux.

Usage: generate_from_idl.py INPUT.idl OUTPUT.h [--typelib OUTPUT]

It reads the subset of IDL that automation interfaces need: attribute lists,
interfaces derived from IDispatch whose methods return HRESULT and take BSTR,
BSTR*, VARIANT* and VARIANT_BOOL* parameters, coclasses, one library block,
import and importlib lines, comments. Anything else is refused, never guessed.
Property reads become get_Name, as the platform's IDL compiler names them.
"""

import re
import struct
import sys

TOKEN = re.compile(r'\s+|//[^\n]*|/\*.*?\*/|"(?:[^"\\\n]|\\.)*"|'
                   r'[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}|'
                   r'[A-Za-z_][A-Za-z0-9_]*|[0-9]+(?:\.[0-9]+)?|[\[\](){};:,*=]', re.S)
GUID = re.compile(r'^([0-9A-Fa-f]{8})-([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})-'
                  r'([0-9A-Fa-f]{4})-([0-9A-Fa-f]{12})$')

# Parameter types and the directions each may take: (type, pointer depth) ->
# (code in the Linux type library, directions allowed).
PARAMETER_TYPES = {
    ('BSTR', 0): (0, {'in'}),
    ('BSTR', 1): (1, {'out'}),
    ('VARIANT', 1): (2, {'in', 'out'}),
    ('VARIANT_BOOL', 1): (3, {'out'}),
}
MAX_PARAMS = 8  # the host service calls through a slot with at most eight arguments

# The platform's flag values (oaidl.h).
TKIND_INTERFACE, TKIND_COCLASS = 3, 5
INVOKE_FUNC, INVOKE_PROPERTYGET = 1, 2
PARAMFLAG = {'in': 0x1, 'out': 0x2, 'retval': 0x8}
TYPEFLAG_INTERFACE = {'dual': 0x40 | 0x100, 'oleautomation': 0x100, 'nonextensible': 0x80,
                      'hidden': 0x10}
TYPEFLAG_FDISPATCHABLE, TYPEFLAG_FCANCREATE, TYPEFLAG_FHIDDEN = 0x1000, 0x2, 0x10
LIBFLAG = {'restricted': 0x1, 'control': 0x2, 'hidden': 0x4}
IMPLTYPEFLAG = {'default': 0x1, 'source': 0x2}
TYPELIB_MAGIC = b'ZTLB\x01\x00'


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


def unquote(token, owner):
    if len(token) < 2 or token[0] != '"':
        raise IdlError('%s: expected a string, found %r' % (owner, token))
    return re.sub(r'\\(.)', r'\1', token[1:-1])


def number(args, owner):
    text = ''.join(args)
    try:
        value = int(text, 16) if text[:2] in ('0x', '0X') else int(text, 10)
    except ValueError:
        raise IdlError('%s: %r is no number' % (owner, text))
    if not 0 <= value <= 0xFFFFFFFF:
        raise IdlError('%s: %r does not fit 32 bits' % (owner, text))
    return value


def help_string(attrs, owner):
    if 'helpstring' not in attrs:
        return ''
    if len(attrs['helpstring']) != 1:
        raise IdlError('%s: malformed helpstring' % owner)
    return unquote(attrs['helpstring'][0], owner)


def guid_of(attrs, owner):
    m = GUID.match(attrs['uuid'][0]) if len(attrs.get('uuid', [])) == 1 else None
    if not m:
        raise IdlError('%s: no uuid or a malformed one' % owner)
    d1, d2, d3, d4a, d4b = m.groups()
    return int(d1, 16), int(d2, 16), int(d3, 16), bytes.fromhex(d4a + d4b)


def flags_of(attrs, table):
    value = 0
    for name, bits in table.items():
        if name in attrs:
            value |= bits
    return value


class Parser:
    def __init__(self, toks):
        self.toks = toks
        self.pos = 0
        self.interfaces = []   # every interface defined, in order (C++ declarations)
        self.coclasses = []    # every coclass, in order
        self.outside = {}      # interfaces defined before the library, by name
        self.library = None

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

    def parameter(self, owner, params):
        pattrs = self.attributes()
        ptype = self.take()
        depth = 0
        while self.peek() == '*':
            self.take('*')
            depth += 1
        pname = self.take()
        directions = {d for d in ('in', 'out') if d in pattrs}
        code, allowed = PARAMETER_TYPES.get((ptype, depth), (None, set()))
        if code is None or not directions or not directions <= allowed:
            raise IdlError('%s: parameter %s: unsupported type or direction %s%s'
                           % (owner, pname, ptype, '*' * depth))
        if 'retval' in pattrs and ('out' not in directions or 'in' in directions):
            raise IdlError('%s: parameter %s: a return value is out only' % (owner, pname))
        if params and params[-1]['flags'] & PARAMFLAG['retval']:
            raise IdlError('%s: only the last parameter may be the return value' % owner)
        if any(p['name'].lower() == pname.lower() for p in params):
            raise IdlError('%s: parameter %s twice' % (owner, pname))
        params.append({'name': pname, 'ctype': ptype + '*' * depth, 'code': code,
                       'flags': flags_of(pattrs, PARAMFLAG)})

    def method(self, iname, funcs):
        mattrs = self.attributes()
        if self.take() != 'HRESULT':
            raise IdlError('%s: methods must return HRESULT' % iname)
        mname = self.take()
        owner = '%s.%s' % (iname, mname)
        if 'id' not in mattrs:
            raise IdlError('%s: no id' % owner)
        if 'propput' in mattrs or 'propputref' in mattrs:
            raise IdlError('%s: property writes are not supported' % owner)
        kind = INVOKE_PROPERTYGET if 'propget' in mattrs else INVOKE_FUNC
        self.take('(')
        params = []
        if self.peek() == 'void':
            self.take('void')
        while self.peek() != ')':
            self.parameter(owner, params)
            if len(params) > MAX_PARAMS:
                raise IdlError('%s: more than %d parameters' % (owner, MAX_PARAMS))
            if self.peek() == ',':
                self.take(',')
                if self.peek() == ')':
                    raise IdlError('%s: a parameter is missing' % owner)
        self.take(')')
        self.take(';')
        if kind == INVOKE_PROPERTYGET and (len(params) != 1 or
                                           not params[0]['flags'] & PARAMFLAG['retval']):
            raise IdlError('%s: a property read hands out exactly one return value' % owner)
        func = {'name': mname, 'id': number(mattrs['id'], owner), 'kind': kind,
                'help': help_string(mattrs, owner), 'params': params}
        for other in funcs:
            if other['kind'] == kind and (other['id'] == func['id'] or
                                          other['name'].lower() == mname.lower()):
                raise IdlError('%s: id or name given twice' % owner)
        funcs.append(func)

    def name_taken(self, name):
        return name in self.outside or (self.library is not None and
                                         any(t['name'] == name for t in self.library['types']))

    def interface(self, attrs):
        """After "interface": a definition, or None for a reference "Name;"."""
        name = self.take()
        if self.peek() == ';':
            self.take(';')
            return name, None
        if self.name_taken(name):
            raise IdlError('%s defined twice' % name)
        self.take(':')
        if self.take() != 'IDispatch':
            raise IdlError('%s: only interfaces derived from IDispatch are understood' % name)
        self.take('{')
        funcs = []
        while self.peek() != '}':
            self.method(name, funcs)
        self.take('}')
        if self.peek() == ';':
            self.take(';')
        item = {'kind': TKIND_INTERFACE, 'name': name, 'attrs': attrs,
                'guid': guid_of(attrs, name), 'help': help_string(attrs, name),
                'flags': TYPEFLAG_FDISPATCHABLE | flags_of(attrs, TYPEFLAG_INTERFACE),
                'funcs': funcs, 'impls': []}
        self.interfaces.append(item)
        return name, item

    def reference(self, name):
        """The library's index of interface `name`, brought in as its next type
        on first reference."""
        types = self.library['types']
        for index, t in enumerate(types):
            if t['name'] == name:
                if t['kind'] != TKIND_INTERFACE:
                    raise IdlError('%s is no interface' % name)
                return index
        if name not in self.outside:
            raise IdlError('interface %s is not defined' % name)
        types.append(self.outside[name])
        return len(types) - 1

    def coclass(self, attrs):
        name = self.take()
        if self.name_taken(name):
            raise IdlError('%s defined twice' % name)
        flags = (0 if 'noncreatable' in attrs else TYPEFLAG_FCANCREATE) | \
            (TYPEFLAG_FHIDDEN if 'hidden' in attrs else 0)
        item = {'kind': TKIND_COCLASS, 'name': name, 'attrs': attrs,
                'guid': guid_of(attrs, name), 'help': help_string(attrs, name),
                'flags': flags, 'funcs': [], 'impls': []}
        # The coclass comes first; the interfaces it brings in follow it.
        self.library['types'].append(item)
        self.coclasses.append(item)
        self.take('{')
        while self.peek() != '}':
            iattrs = self.attributes()
            self.take('interface')
            index = self.reference(self.take())
            self.take(';')
            item['impls'].append((index, flags_of(iattrs, IMPLTYPEFLAG)))
        self.take('}')
        if self.peek() == ';':
            self.take(';')
        if not item['impls']:
            raise IdlError('%s implements no interface' % name)

    def library_block(self, attrs):
        if self.library is not None:
            raise IdlError('a second library block')
        name = self.take()
        version = ''.join(attrs.get('version', ['0']))
        major, _, minor = version.partition('.')
        self.library = {'name': name, 'guid': guid_of(attrs, name),
                        'help': help_string(attrs, name),
                        'major': number([major], name), 'minor': number([minor or '0'], name),
                        'lcid': number(attrs['lcid'], name) if 'lcid' in attrs else 0,
                        'flags': flags_of(attrs, LIBFLAG), 'types': []}
        if self.library['major'] > 0xFFFF or self.library['minor'] > 0xFFFF:
            raise IdlError('%s: version out of range' % name)
        self.take('{')
        while self.peek() != '}':
            if self.peek() == 'importlib':
                while self.take() != ';':
                    pass
                continue
            iattrs = self.attributes()
            kind = self.take()
            if kind == 'coclass':
                self.coclass(iattrs)
            elif kind == 'interface':
                iname, item = self.interface(iattrs)
                if item is None:
                    self.reference(iname)
                else:
                    self.library['types'].append(item)
            else:
                raise IdlError('unexpected %r in the library' % kind)
        self.take('}')
        if self.peek() == ';':
            self.take(';')

    def text(self):
        """Definitions up to the end of the text."""
        while self.peek() is not None:
            if self.peek() == 'import':
                while self.take() != ';':
                    pass
                continue
            attrs = self.attributes()
            kind = self.take()
            if kind == 'interface':
                name, item = self.interface(attrs)
                if item is not None:
                    self.outside[name] = item
            elif kind == 'library':
                self.library_block(attrs)
            else:
                raise IdlError('unexpected %r' % kind)
        if self.library is None:
            raise IdlError('no library block')


def guid_initializer(guid):
    d1, d2, d3, d4 = guid
    data4 = ', '.join('0x%02X' % b for b in d4)
    return '{0x%08X, 0x%04X, 0x%04X, {%s}}' % (d1, d2, d3, data4)


def uuid_decl(name, guid):
    d1, d2, d3, d4 = guid
    parts = ['0x%08X' % d1, '0x%04X' % d2, '0x%04X' % d3] + ['0x%02X' % b for b in d4]
    return '__CRT_UUID_DECL(%s, %s)' % (name, ', '.join(parts))


def header(parser, source_name):
    lines = [
        '// The C++ declarations of zolmcom\'s interfaces and identifiers, written by',
        '// resources/generate_from_idl.py from %s at build time;' % source_name,
        '// do not edit. Each interface lists its operations in slot order after the',
        '// seven of IDispatch. Include "automation/zolmcomInterfaces.h" instead of this file.',
        '#pragma once',
        '',
        '#include "platform/wintypes.h"',
        '',
    ]
    lib = parser.library
    lines.append('inline constexpr GUID LIBID_%s = %s;' % (lib['name'], guid_initializer(lib['guid'])))
    for c in parser.coclasses:
        lines.append('inline constexpr CLSID CLSID_%s = %s;' % (c['name'], guid_initializer(c['guid'])))
    for i in parser.interfaces:
        lines.append('inline constexpr IID IID_%s = %s;' % (i['name'], guid_initializer(i['guid'])))
    for i in parser.interfaces:
        lines += ['', '// %s "%s"' % (i['name'], i['help']), 'struct %s : public IDispatch {' % i['name']]
        for slot, f in enumerate(i['funcs'], start=7):
            cname = ('get_' if f['kind'] == INVOKE_PROPERTYGET else '') + f['name']
            plist = ', '.join('%s %s' % (p['ctype'], p['name']) for p in f['params'])
            lines.append('  // slot %d, dispatch id %d' % (slot, f['id']))
            lines.append('  STDMETHOD(%s)(%s) PURE;' % (cname, plist))
        lines.append('};')
    lines += ['', '#if defined(_WIN32) && defined(__CRT_UUID_DECL)']
    for i in parser.interfaces:
        lines.append(uuid_decl(i['name'], i['guid']))
    lines += ['#endif', '']
    return '\n'.join(lines)


def typelib_binary(lib):
    """The layout platform/host/typelibLoad.cpp reads: little-endian numbers,
    strings as a 16-bit count of UTF-16 units and the units, GUIDs as the
    platform lays them out in memory."""
    out = bytearray(TYPELIB_MAGIC)

    def string(s):
        units = s.encode('utf-16-le')
        if len(units) // 2 > 0xFFFF:
            raise IdlError('a name or help string too long: %r...' % s[:40])
        out.extend(struct.pack('<H', len(units) // 2) + units)

    def guid(g):
        out.extend(struct.pack('<IHH', g[0], g[1], g[2]) + g[3])

    guid(lib['guid'])
    out.extend(struct.pack('<HHIH', lib['major'], lib['minor'], lib['lcid'], lib['flags']))
    string(lib['name'])
    string(lib['help'])
    out.extend(struct.pack('<H', len(lib['types'])))
    for t in lib['types']:
        out.extend(struct.pack('<BH', t['kind'], t['flags']))
        guid(t['guid'])
        string(t['name'])
        string(t['help'])
        out.extend(struct.pack('<H', len(t['funcs'])))
        for f in t['funcs']:
            out.extend(struct.pack('<IBB', f['id'], f['kind'], len(f['params'])))
            string(f['name'])
            string(f['help'])
            for p in f['params']:
                out.extend(struct.pack('<BH', p['code'], p['flags']))
                string(p['name'])
        out.extend(struct.pack('<H', len(t['impls'])))
        for index, flags in t['impls']:
            out.extend(struct.pack('<HH', index, flags))
    return bytes(out)


def main(argv):
    if len(argv) not in (3, 5) or (len(argv) == 5 and argv[3] != '--typelib'):
        sys.stderr.write('usage: generate_from_idl.py INPUT.idl OUTPUT.h [--typelib OUTPUT]\n')
        return 2
    source = argv[1]
    try:
        with open(source, encoding='utf-8') as f:
            text = f.read()
        parser = Parser(tokens(text))
        parser.text()
        declarations = header(parser, 'resources/' + source.replace('\\', '/').split('/')[-1])
        library = typelib_binary(parser.library) if len(argv) == 5 else None
    except (IdlError, UnicodeDecodeError) as e:
        sys.stderr.write('%s: %s\n' % (source, e))
        return 1
    with open(argv[2], 'w', encoding='utf-8') as f:
        f.write(declarations)
    if library is not None:
        with open(argv[4], 'wb') as f:
            f.write(library)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
