#!/usr/bin/python3
"""An independent reader of package books (.xlsx, .xlsm, .xltx, .xltm) for
the tests, on the Python standard library alone (zipfile, xml).

    xlsx_facts.py BOOK                      -> JSON facts on stdout
    xlsx_facts.py --changed BEFORE AFTER    -> JSON list of the entries whose
                                               raw bytes differ

Facts: the sheets in order (name, state, kind by relationship type, part),
defined names (name, localSheetId, text), the first view's activeTab and
firstSheet, per sheet part its cell formulas and the names of its elements, the document titles
(docProps/app.xml), and the package's soundness: relationships to missing
parts ("dangling"), content type overrides of missing parts ("stale"), parts
without a content type ("untyped") and parts no relationship reaches
("unreachable").  "Raw bytes" of an entry
are its local header, compressed data and data descriptor, and its central
record without the local header offset: what an edit that leaves the entry
alone must keep.
"""
import json
import posixpath
import struct
import sys
import zipfile
import xml.etree.ElementTree as ET

REL_NS = ('http://schemas.openxmlformats.org/officeDocument/2006/relationships',
          'http://purl.oclc.org/ooxml/officeDocument/relationships')


def local(tag):
    return tag.rsplit('}', 1)[-1]


def rels_of(z, part, internal_only=False):
    folder, name = posixpath.split(part)
    rels = posixpath.join(folder, '_rels', name + '.rels')
    if rels not in z.namelist():
        return {}
    out = {}
    for r in ET.fromstring(z.read(rels)):
        target = r.get('Target')
        if r.get('TargetMode') != 'External':
            target = target.lstrip('/') if target.startswith('/') else posixpath.normpath(posixpath.join(folder, target))
        elif internal_only:
            continue
        out[r.get('Id')] = (r.get('Type').rsplit('/', 1)[-1], target)
    return out


def facts(path):
    z = zipfile.ZipFile(path)
    workbook = next(t for (k, t) in rels_of(z, '').values() if k == 'officeDocument')
    rels = rels_of(z, workbook)
    root = ET.fromstring(z.read(workbook))
    out = {'sheets': [], 'names': [], 'activeTab': 0, 'firstSheet': 0}
    for e in root.iter():
        tag = local(e.tag)
        if tag == 'sheet':
            rid = next(v for k, v in e.attrib.items()
                       if local(k) == 'id' and k[1:].split('}')[0] in REL_NS)
            kind, part = rels[rid]
            formulas = []
            sheet = ET.fromstring(z.read(part))
            for c in sheet.iter():
                if local(c.tag) == 'f' and c.text:
                    formulas.append(c.text)
            out['sheets'].append({'name': e.get('name'), 'state': e.get('state', 'visible'),
                                  'kind': kind, 'part': part, 'formulas': formulas,
                                  'children': [local(x.tag) for x in sheet]})
        elif tag == 'definedName':
            out['names'].append({'name': e.get('name'), 'localSheetId': e.get('localSheetId'),
                                 'text': e.text or ''})
        elif tag == 'workbookView' and 'view' not in out:
            out['view'] = True
            out['activeTab'] = int(e.get('activeTab', 0))
            out['firstSheet'] = int(e.get('firstSheet', 0))
    out.pop('view', None)
    out['titles'] = [t.text or '' for e in ET.fromstring(z.read('docProps/app.xml')).iter()
                     if local(e.tag) == 'TitlesOfParts' for t in e.iter() if local(t.tag) == 'lpstr'] \
        if 'docProps/app.xml' in z.namelist() else []
    out.update(soundness(z))
    return out


def soundness(z):
    names = {n for n in z.namelist() if not n.endswith('/')}
    folded = {n.lower() for n in names}
    types = ET.fromstring(z.read('[Content_Types].xml'))
    defaults = {e.get('Extension').lower() for e in types if local(e.tag) == 'Default'}
    overrides = {e.get('PartName').lstrip('/').lower() for e in types if local(e.tag) == 'Override'}
    reached, dangling, queue = set(), [], ['']
    while queue:
        source = queue.pop()
        for kind, target in rels_of(z, source, internal_only=True).values():
            if target.lower() not in folded:
                dangling.append(target)
            elif target.lower() not in reached:
                reached.add(target.lower())
                queue.append(next(n for n in names if n.lower() == target.lower()))
    return {
        'dangling': sorted(set(dangling)),
        'stale': sorted(o for o in overrides if o not in folded),
        'untyped': sorted(n for n in names if n.lower() not in overrides and n != '[Content_Types].xml'
                          and n.rsplit('.', 1)[-1].lower() not in defaults),
        'unreachable': sorted(n for n in names if n.lower() not in reached and n != '[Content_Types].xml'
                              and not n.endswith('.rels') and not n.lower().startswith('customxml/')),
    }


def raw_entries(path):
    data = open(path, 'rb').read()
    z = zipfile.ZipFile(path)
    infos = sorted(z.infolist(), key=lambda i: i.header_offset)
    entries = {}
    ends = [i.header_offset for i in infos[1:]]
    # the central directory starts after the last entry
    eocd = data.rfind(b'PK\x05\x06')
    cd = struct.unpack('<I', data[eocd + 16:eocd + 20])[0]
    ends.append(cd)
    for info, end in zip(infos, ends):
        entries[info.filename] = data[info.header_offset:end]
    pos = cd
    for _ in infos:
        n, x, c = struct.unpack('<HHH', data[pos + 28:pos + 34])
        name = data[pos + 46:pos + 46 + n].decode('utf-8', 'replace')
        record = data[pos:pos + 46 + n + x + c]
        entries[name] = (entries.get(name, b''), record[:42] + record[46:])
        pos += 46 + n + x + c
    return entries


def changed(before, after):
    a, b = raw_entries(before), raw_entries(after)
    return sorted(n for n in set(a) | set(b) if a.get(n) != b.get(n))


def main():
    if sys.argv[1] == '--changed':
        print(json.dumps(changed(sys.argv[2], sys.argv[3])))
    else:
        print(json.dumps(facts(sys.argv[1]), ensure_ascii=False))


if __name__ == '__main__':
    main()
