#!/usr/bin/env python3
# Writes the malformed XML mesh files of this folder and the list of their names; expected.txt holds the
# exact diagnostic of each. Run it after changing a case; the files are checked in.
import base64, os, struct, zlib
D = os.path.dirname(os.path.abspath(__file__))
os.makedirs(D + '/valid', exist_ok=True)

def vtu(piece, head='<VTKFile type="UnstructuredGrid" version="1.0" byte_order="LittleEndian" header_type="UInt64">',
        tail='', dataset='UnstructuredGrid'):
    return ('<?xml version="1.0"?>\n' + head + '\n  <' + dataset + '>\n' + piece + '  </' + dataset + '>\n' + tail +
            '</VTKFile>\n')

def arr(name, typ, text, comps=1, fmt='ascii', extra=''):
    n = '' if name is None else ' Name="%s"' % name
    c = '' if comps == 1 else ' NumberOfComponents="%d"' % comps
    return '<DataArray type="%s"%s%s format="%s"%s>%s</DataArray>\n' % (typ, n, c, fmt, extra, text)

PTS = arr(None, 'Float32', '0 0 0 1 0 0 0 1 0 0 0 1', 3)
CONN = arr('connectivity', 'Int64', '0 1 2 3')
OFFS = arr('offsets', 'Int64', '4')
TYPES = arr('types', 'UInt8', '10')
PDATA = '<PointData>' + arr('p', 'Float32', '1 2 3 4') + '</PointData>\n'

def piece(pts=PTS, conn=CONN, offs=OFFS, types=TYPES, pdata=PDATA, cdata='', attrs='NumberOfPoints="4" NumberOfCells="1"',
          extra=''):
    return ('    <Piece %s>\n' % attrs + pdata + cdata + '<Points>' + pts + '</Points>\n<Cells>' + conn + offs + types +
            extra + '</Cells>\n    </Piece>\n')

def b64(data, h=8):
    return base64.b64encode(struct.pack('<Q' if h == 8 else '<I', len(data))).decode() + base64.b64encode(data).decode()

VALID = vtu(piece())
files = {}
files['empty.vtu'] = ''
files['not-xml.vtu'] = 'solid cube\nfacet normal 0 0 1\n'
files['malformed-xml.vtu'] = VALID.replace('</Points>', '</Pts>')
files['no-vtkfile.vtu'] = '<?xml version="1.0"?>\n<Mesh/>\n'
files['image-data.vtu'] = VALID.replace('type="UnstructuredGrid"', 'type="ImageData"')
files['byte-order.vtu'] = VALID.replace('LittleEndian', 'MiddleEndian')
files['header-type.vtu'] = VALID.replace('header_type="UInt64"', 'header_type="Int16"')
files['compressor.vtu'] = VALID.replace('header_type="UInt64"', 'header_type="UInt64" compressor="vtkLZ4DataCompressor"')
files['no-dataset.vtu'] = VALID.replace('<UnstructuredGrid>', '<Grid>').replace('</UnstructuredGrid>', '</Grid>')
files['no-point-count.vtu'] = vtu(piece(attrs='NumberOfCells="1"'))
files['negative-point-count.vtu'] = vtu(piece(attrs='NumberOfPoints="-4" NumberOfCells="1"'))
files['huge-point-count.vtu'] = vtu(piece(attrs='NumberOfPoints="99999999999" NumberOfCells="1"'))
files['oversized-point-count.vtu'] = vtu(piece(attrs='NumberOfPoints="100000000" NumberOfCells="1"'))
files['point-components.vtu'] = vtu(piece(pts=arr(None, 'Float32', '0 0 0 1 0 0 0 1', 2)))
files['integer-points.vtu'] = vtu(piece(pts=arr(None, 'Int32', '0 0 0 1 0 0 0 1 0 0 0 1', 3)))
files['unknown-type.vtu'] = vtu(piece(pts=arr(None, 'Float16', '0 0 0 1 0 0 0 1 0 0 0 1', 3)))
files['unknown-format.vtu'] = vtu(piece(pts=arr(None, 'Float32', '0 0 0 1 0 0 0 1 0 0 0 1', 3, fmt='hex')))
files['ascii-short.vtu'] = vtu(piece(pdata='<PointData>' + arr('p', 'Float32', '1 2 3') + '</PointData>\n'))
files['ascii-non-number.vtu'] = vtu(piece(pts=arr(None, 'Float32', '0 0 0 1 0 0 0 abc 0 0 0 1', 3)))
files['nan-point.vtu'] = vtu(piece(pts=arr(None, 'Float32', '0 0 0 1 0 0 nan 1 0 0 0 1', 3)))
files['index-range.vtu'] = vtu(piece(conn=arr('connectivity', 'Int64', '0 1 2 9')))
files['offsets-decrease.vtu'] = vtu(piece(attrs='NumberOfPoints="4" NumberOfCells="2"',
                                          conn=arr('connectivity', 'Int64', '0 1 2 3 0 1 2 3'),
                                          offs=arr('offsets', 'Int64', '4 2'), types=arr('types', 'UInt8', '10 10')))
files['offsets-end.vtu'] = vtu(piece(offs=arr('offsets', 'Int64', '3')))
files['cell-type.vtu'] = vtu(piece(types=arr('types', 'UInt8', '99')))
files['quadratic-polygon.vtu'] = vtu(piece(types=arr('types', 'UInt8', '36')))
files['tetra-points.vtu'] = vtu(piece(conn=arr('connectivity', 'Int64', '0 1 2'), offs=arr('offsets', 'Int64', '3')))
pts = struct.pack('<12f', 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1)
lie = base64.b64encode(struct.pack('<Q', 4800)).decode() + base64.b64encode(pts).decode()
files['binary-size.vtu'] = vtu(piece(pts=arr(None, 'Float32', lie, 3, fmt='binary')))
files['binary-alphabet.vtu'] = vtu(piece(pts=arr(None, 'Float32', b64(pts)[:20] + '*' + b64(pts)[21:], 3, fmt='binary')))
files['binary-short.vtu'] = vtu(piece(pts=arr(None, 'Float32', b64(pts)[:24], 3, fmt='binary')))
files['appended-missing.vtu'] = vtu(piece(pts=arr(None, 'Float32', '', 3, fmt='appended', extra=' offset="0"')))
raw = struct.pack('<Q', len(pts)) + pts
APP = lambda data: '  <AppendedData encoding="raw">\n   _'
files['appended-offset.vtu'] = vtu(piece(pts=arr(None, 'Float32', '', 3, fmt='appended', extra=' offset="5000"')),
                                   tail='  <AppendedData encoding="raw">\n   _' + raw.decode('latin-1') + '\n  </AppendedData>\n')
files['appended-truncated.vtu'] = ('<?xml version="1.0"?>\n<VTKFile type="UnstructuredGrid" version="1.0" byte_order="LittleEndian" header_type="UInt64">\n'
                                   '  <UnstructuredGrid>\n' + piece(pts=arr(None, 'Float32', '', 3, fmt='appended', extra=' offset="0"')) +
                                   '  </UnstructuredGrid>\n  <AppendedData encoding="raw">\n   _' + raw[:30].decode('latin-1'))
files['appended-marker.vtu'] = vtu(piece(pts=arr(None, 'Float32', '', 3, fmt='appended', extra=' offset="0"')),
                                   tail='  <AppendedData encoding="raw">\n   ' + raw.decode('latin-1') + '\n  </AppendedData>\n')
files['appended-encoding.vtu'] = vtu(piece(pts=arr(None, 'Float32', '', 3, fmt='appended', extra=' offset="0"')),
                                     tail='  <AppendedData encoding="hex">\n   _00\n  </AppendedData>\n')
ZHEAD = '<VTKFile type="UnstructuredGrid" version="1.0" byte_order="LittleEndian" header_type="UInt64" compressor="vtkZLibDataCompressor">'
packed = zlib.compress(pts)
good = struct.pack('<4Q', 1, len(pts), len(pts), len(packed))
bad = bytearray(packed); bad[4] ^= 0xFF
files['zlib-corrupt.vtu'] = vtu(piece(pts=arr(None, 'Float32', base64.b64encode(good).decode() + base64.b64encode(bytes(bad)).decode(), 3, fmt='binary'),
                                      conn=arr('connectivity', 'Int64', '0 1 2 3'), pdata=''), head=ZHEAD)
bomb = struct.pack('<4Q', 1, 1073741820, 1073741820, len(packed))
files['zlib-bomb.vtu'] = vtu(piece(attrs='NumberOfPoints="89478485" NumberOfCells="0"', pts=arr(None, 'Float32', base64.b64encode(bomb).decode() + base64.b64encode(packed).decode(), 3, fmt='binary'),
                                   conn='', offs='', types='', pdata=''), head=ZHEAD)
files['zlib-blocks.vtu'] = vtu(piece(pts=arr(None, 'Float32', base64.b64encode(struct.pack('<3Q', 1 << 40, 64, 0)).decode(), 3, fmt='binary'), pdata=''), head=ZHEAD)
files['polyhedron-stream.vtu'] = vtu(piece(types=arr('types', 'UInt8', '42'),
                                           extra=arr('faces', 'Int64', '4 3 0 1 2 3 0 1 3 3 0 2 3 3 1 2 7') + arr('faceoffsets', 'Int64', '17')))
files['polyhedron-no-faces.vtu'] = vtu(piece(types=arr('types', 'UInt8', '42')))
files['duplicate-array.vtu'] = vtu(piece(pdata='<PointData>' + arr('p', 'Float32', '1 2 3 4') + arr('p', 'Float32', '1 2 3 4') + '</PointData>\n'))
files['unnamed-array.vtu'] = vtu(piece(pdata='<PointData>' + arr(None, 'Float32', '1 2 3 4') + '</PointData>\n'))
files['uchar-range.vtu'] = vtu(piece(cdata='<CellData>' + arr('zone', 'UInt8', '300') + '</CellData>\n'))
files['uint64-index.vtu'] = vtu(piece(conn=arr('connectivity', 'UInt64', base64.b64encode(struct.pack('<Q', 32)).decode() + base64.b64encode(struct.pack('<4Q', 0, 1, 2, 1 << 63)).decode(), fmt='binary')))
files['cell-data-count.vtu'] = vtu(piece(cdata='<CellData>' + arr('zone', 'Int32', '1 2') + '</CellData>\n'))
files['piece-arrays.vtu'] = vtu(piece() + piece(pdata=''))
files['polydata-verts.vtp'] = vtu('    <Piece NumberOfPoints="4" NumberOfVerts="1">\n<Points>' + PTS + '</Points>\n    </Piece>\n',
                                  head='<VTKFile type="PolyData" version="1.0">', dataset='PolyData')
files['polydata-polygon.vtp'] = vtu('    <Piece NumberOfPoints="4" NumberOfPolys="1">\n<Points>' + PTS + '</Points>\n<Polys>' +
                                    arr('connectivity', 'Int32', '0 1') + arr('offsets', 'Int32', '2') + '</Polys>\n    </Piece>\n',
                                    head='<VTKFile type="PolyData" version="1.0">', dataset='PolyData')
# Arrays sharing appended data: both at one offset, and one whose data runs into the next array's.
four = struct.pack('<4f', 1, 2, 3, 4)
shared = lambda offsets, data: vtu(piece(pdata='<PointData>' + ''.join(
    arr(n, 'Float32', '', fmt='appended', extra=' offset="%d"' % o) for n, o in offsets) + '</PointData>\n'),
    tail='  <AppendedData encoding="raw">\n   _' + data.decode('latin-1') + '\n  </AppendedData>\n')
files['appended-shared.vtu'] = shared([('p', 0), ('q', 0)], struct.pack('<Q', 16) + four)
files['appended-overlap.vtu'] = shared([('p', 8), ('q', 0)], struct.pack('<2Q', 16, 16) + four + bytes(8))
# A parallel index naming one piece twice.
def pvtu(*sources):
    return ('<?xml version="1.0"?>\n<VTKFile type="PUnstructuredGrid" version="1.0">\n  <PUnstructuredGrid>\n'
            '    <PPoints><PDataArray type="Float32" NumberOfComponents="3"/></PPoints>\n' +
            ''.join('    <Piece Source="%s"/>\n' % s for s in sources) + '  </PUnstructuredGrid>\n</VTKFile>\n')
files['piece-twice.pvtu'] = pvtu('valid/tet.vtu', './valid/tet.vtu')
# Indexes whose pieces do not merge: pieces/ holds the pieces, each numbering its points by GlobalNodeIds.
ids = lambda text: '<PointData>' + arr('GlobalNodeIds', 'Int64', text) + '</PointData>\n'
os.makedirs(D + '/pieces', exist_ok=True)
for name, text in {'tet': vtu(piece(pdata=ids('0 1 2 3'))),
                   'negative': vtu(piece(pdata=ids('-1 1 2 3'))),
                   'twice': vtu(piece(pdata=ids('0 0 2 3'))),
                   'moved': vtu(piece(pdata=ids('0 1 2 3'), pts=arr(None, 'Float32', '0 0 0 2 0 0 0 1 0 0 0 1', 3))),
                   'zone': vtu(piece(pdata=ids('0 1 2 3'), cdata='<CellData>' + arr('zone', 'Int32', '1') + '</CellData>\n'))}.items():
    open(os.path.join(D, 'pieces', name + '.vtu'), 'w').write(text)
files['ids-negative.pvtu'] = pvtu('pieces/negative.vtu')
files['ids-twice.pvtu'] = pvtu('pieces/twice.vtu')
files['ids-moved.pvtu'] = pvtu('pieces/tet.vtu', 'pieces/moved.vtu')
files['pieces-arrays.pvtu'] = pvtu('pieces/tet.vtu', 'pieces/zone.vtu')
for name, text in files.items():
    open(os.path.join(D, name), 'wb').write(text.encode('latin-1'))
open(os.path.join(D, 'valid', 'tet.vtu'), 'w').write(VALID)
# A valid file whose comment quotes the appended data's tag before the real element.
open(os.path.join(D, 'valid', 'appended-comment.vtu'), 'wb').write(
    shared([('p', 0)], struct.pack('<Q', 16) + four).replace('<VTKFile ', '<!-- <AppendedData> -->\n<VTKFile ', 1).encode('latin-1'))
