#!/usr/bin/env python3
# Makes the import test tables once: messwerte.fods (the workbook) and
# erwartet.tsv (its values) from the formula below; LibreOffice (headless,
# German desktop) saves the workbook as .xlsx, .ods and the CSV and text
# variants; the reproduction tables are derived from its semicolon CSV.
#
#   cd tests/data/import && python3 erzeugen.py
import os
import subprocess

rows = []
for f in range(1, 6):
    for p in range(1, 7):
        rows.append((f, p, 2 * f, round(94.0 + f * 0.8 + p * 0.3, 1), round(30 + f * 5.5 + p * 1.1, 1)))


def fods(path, header):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
           'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
           'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" '
           'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">',
           '<office:body><office:spreadsheet><table:table table:name="Messwerte">']

    def row(cells):
        out.append('<table:table-row>')
        for c in cells:
            if isinstance(c, str):
                out.append('<table:table-cell office:value-type="string"><text:p>%s</text:p>'
                           '</table:table-cell>' % c)
            else:
                out.append('<table:table-cell office:value-type="float" office:value="%r">'
                           '<text:p>%s</text:p></table:table-cell>' % (c, str(c).replace('.', ',')))
        out.append('</table:table-row>')
    row(header)
    for f, p, z, d, e in rows:
        row([f, z, d, e])
    out.append('</table:table></office:spreadsheet></office:body></office:document>')
    open(path, 'w', encoding='utf-8').write('\n'.join(out))


fods('messwerte.fods', ["Prüffeld", "Übergänge", "DPr [%]", "EVD [MN/m²]"])

# A workbook as a site office keeps it: an empty cover sheet first, DPr
# formatted as a percentage (0.951 shown as 95,1 %), EVD as formulas whose
# stored results are the values.
def prozentMappe(path):
    out = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
           'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
           'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
           'xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" '
           'xmlns:number="urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0" '
           'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.2" '
           'office:mimetype="application/vnd.oasis.opendocument.spreadsheet">',
           '<office:automatic-styles><number:percentage-style style:name="N11">'
           '<number:number number:decimal-places="1" number:min-decimal-places="1" '
           'number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>'
           '<style:style style:name="ce1" style:family="table-cell" style:data-style-name="N11"/>'
           '</office:automatic-styles>',
           '<office:body><office:spreadsheet><table:table table:name="Deckblatt"><table:table-row>'
           '<table:table-cell/></table:table-row></table:table>',
           '<table:table table:name="Daten"><table:table-row>']
    for h in ["Versuchsfeld", "Anzahl der Übergänge", "Verdichtungsgrad", "EVD (MN/m²)"]:
        out.append('<table:table-cell office:value-type="string"><text:p>%s</text:p>'
                   '</table:table-cell>' % h)
    out.append('</table:table-row>')
    for f, p, z, d, e in rows:
        out.append('<table:table-row>'
                   '<table:table-cell office:value-type="float" office:value="%d"/>'
                   '<table:table-cell office:value-type="float" office:value="%d"/>'
                   '<table:table-cell table:style-name="ce1" office:value-type="percentage" '
                   'office:value="%r"/>'
                   '<table:table-cell table:formula="of:=%r+0" office:value-type="float" '
                   'office:value="%r"/></table:table-row>' % (f, z, round(d / 100, 4), e, e))
    out.append('</table:table></office:spreadsheet></office:body></office:document>')
    open(path, 'w', encoding='utf-8').write('\n'.join(out))


prozentMappe('prozent-formeln.fods')
with open('erwartet.tsv', 'w') as o:
    o.write("Feld\tPunkt\tKovariable\tDirekt\tIndirekt\n")
    for f, p, z, d, e in rows:
        o.write("%d\t%d\t%r\t%r\t%r\n" % (f, p, float(z), d, e))

env = dict(os.environ, LANG='de_DE.UTF-8', LC_ALL='de_DE.UTF-8')
def lo(fmt, outdir, name):
    os.makedirs(outdir, exist_ok=True)
    subprocess.run(['soffice', '--headless', '--convert-to', fmt, '--outdir', outdir, 'messwerte.fods'],
                   env=env, check=True, capture_output=True)
    src = os.path.join(outdir, os.listdir(outdir)[0])
    os.replace(src, name)
    os.rmdir(outdir)
lo('xlsx', 'tmp-xlsx', 'lo-messwerte.xlsx')
lo('ods', 'tmp-ods', 'lo-messwerte.ods')
subprocess.run(['soffice', '--headless', '--convert-to', 'xlsx', '--outdir', 'tmp-p', 'prozent-formeln.fods'],
               env=env, check=True, capture_output=True)
os.replace('tmp-p/prozent-formeln.xlsx', 'lo-prozent-formeln.xlsx')
os.rmdir('tmp-p')
subprocess.run(['soffice', '--headless', '--convert-to', 'ods', '--outdir', 'tmp-p', 'prozent-formeln.fods'],
               env=env, check=True, capture_output=True)
os.replace('tmp-p/prozent-formeln.ods', 'lo-prozent-formeln.ods')
os.rmdir('tmp-p')
lo('csv:Text - txt - csv (StarCalc):59,34,76,1', 'tmp-csv', 'lo-semikolon-utf8.csv')
lo('csv:Text - txt - csv (StarCalc):44,34,1,1', 'tmp-latin', 'lo-komma-latin1.csv')
lo('txt:Text - txt - csv (StarCalc):9,34,65535,1', 'tmp-utf16', 'lo-unicode-text-utf16.txt')

lines = open('lo-semikolon-utf8.csv', encoding='utf-8').read().splitlines()
data = [l.split(';') for l in lines[1:]]
def write(name, text, encoding='utf-8'):
    open(name, 'w', encoding=encoding, newline='').write(text)

# Excel's CSV: byte-order mark, CR LF.
write('excel-bom-crlf.csv', '\ufeff' + '\r\n'.join(lines) + '\r\n')
# Field names instead of numbers.
write('r1-feldnamen.csv', lines[0] + '\n' + '\n'.join(';'.join(['F' + r[0]] + r[1:]) for r in data) + '\n')
# A point column instead of a field column: grouped by the passes.
pt = [str((i % 6) + 1) for i in range(len(data))]
write('r2-pruefpunkt.csv', 'Prüfpunkt;Übergänge;DPr;EVD\n' +
      '\n'.join(';'.join([pt[i]] + r[1:]) for i, r in enumerate(data)) + '\n')
write('r2-nr.csv', 'Nr.;Übergänge;DPr;EVD\n' +
      '\n'.join(';'.join([str(i + 1)] + r[1:]) for i, r in enumerate(data)) + '\n')
# Fields separated by empty lines; field 4 begins with a point not measured.
out = [lines[0]]
for f in range(1, 6):
    out.append('')
    if f == 4:
        out.append('4;8;;')
    out += [';'.join(r) for r in data if r[0] == str(f)]
write('r3-leerzeilen.csv', '\n'.join(out) + '\n')
# No header, text or dates in the first column.
write('r4-ohne-kopf-text.csv', '\n'.join(';'.join(['F' + r[0]] + r[1:]) for r in data) + '\n')
write('r4-ohne-kopf-datum.csv', '\n'.join(';'.join(['%02d.05.2026' % (10 + int(r[0]))] + r[1:])
                                          for r in data) + '\n')
# Commas between the cells and unquoted decimal commas.
write('r5-komma-ungequotet.csv', 'Prüffeld,Z,DPr,EVD\n' + '\n'.join(','.join(r) for r in data) + '\n')
# A number with a point in a decimal-comma file.
r6 = [';'.join(r) for r in data]
r6[8] = '2;4;98.900;41,6'
write('r6-gruppiert.csv', lines[0] + '\n' + '\n'.join(r6) + '\n')
# A remark typed with Alt+Enter: a quoted cell over two lines.
r7 = [lines[0] + ';Bemerkung'] + [';'.join(r) + ';' for r in data]
r7[3] = r7[3] + '"nass,\nnachverdichtet"'
write('r7-mehrzeilig.csv', '\n'.join(r7) + '\n')

# Cells as Excel writes them, by hand: a format with an escaped percent sign
# (no percentage), a date and a truth value where a number belongs, a
# number written as text with a point, a covariable computed as 0.1*3.
def zellarten(path):
    import zipfile
    styles = ('<?xml version="1.0"?><styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
              '<numFmts count="2"><numFmt numFmtId="164" formatCode="0.0\\%"/>'
              '<numFmt numFmtId="165" formatCode="[Magenta]0.0%"/></numFmts>'
              '<cellXfs count="4"><xf numFmtId="0"/><xf numFmtId="164"/><xf numFmtId="14"/>'
              '<xf numFmtId="165"/></cellXfs></styleSheet>')
    wb = ('<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
          'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets>'
          '<sheet name="Werte" sheetId="1" r:id="rId1"/></sheets></workbook>')
    rels = ('<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="x" Target="worksheets/sheet1.xml"/></Relationships>')
    def t(ref, text):
        return '<c r="%s" t="inlineStr"><is><t>%s</t></is></c>' % (ref, text)
    def n(ref, v, s=0, typ=''):
        return '<c r="%s" s="%d"%s><v>%s</v></c>' % (ref, s, ' t="%s"' % typ if typ else '', v)
    rows = [[t('A1', 'Prüffeld'), t('B1', 'Z'), t('C1', 'DPr [%]'), t('D1', 'EVD')]]
    data = [(1, '0.3', '95.1'), (1, '0.30000000000000004', '95.4'), (1, '0.3', '95.7'),
            (2, '4', '96.1'), (2, '4', '96.4'), (2, 'DATUM', '96.5'), (2, '4', '96.7'),
            (3, '6', 'MAGENTA'), (3, 'BOOL', '97.2'), (3, '6', 'TEXT'), (3, '6', '97.4'), (3, '6', '97.7')]
    for i, (f, z, d) in enumerate(data):
        r = i + 2
        cells = [n('A%d' % r, f)]
        if z == 'DATUM':
            cells.append(n('B%d' % r, '45778', 2))
        elif z == 'BOOL':
            cells.append(n('B%d' % r, '1', 0, 'b'))
        else:
            cells.append(n('B%d' % r, z))
        if d == 'TEXT':
            cells.append(t('C%d' % r, '98.900'))
        elif d == 'MAGENTA':  # a coloured percentage: 0.971 shown as 97,1 %
            cells.append(n('C%d' % r, '0.971', 3))
        else:
            cells.append(n('C%d' % r, d, 1))
        cells.append(n('D%d' % r, 30 + i))
        rows.append(cells)
    sheet = ('<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
             '<sheetData>' + ''.join('<row r="%d">%s</row>' % (i + 1, ''.join(c)) for i, c in enumerate(rows)) +
             '</sheetData></worksheet>')
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as z:
        z.writestr('[Content_Types].xml', '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"/>')
        z.writestr('xl/workbook.xml', wb)
        z.writestr('xl/_rels/workbook.xml.rels', rels)
        z.writestr('xl/styles.xml', styles)
        z.writestr('xl/worksheets/sheet1.xml', sheet)


zellarten('zellarten.xlsx')

# ZIP archives that are no workbook: a letter, and a workbook stored inside one.
import zipfile
with zipfile.ZipFile('brief.docx', 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('[Content_Types].xml', '<Types/>')
    z.writestr('word/document.xml', '<w:document xmlns:w="x"><w:body><w:p>Brief</w:p></w:body></w:document>')
with zipfile.ZipFile('mappe-im-archiv.zip', 'w', zipfile.ZIP_STORED) as z:
    z.write('lo-messwerte.xlsx', 'lo-messwerte.xlsx')

# verstecktes-blatt.xlsx: a hidden sheet "Alt (ausgeblendet)" with old values
# (81..., 21...) before the sheet "Messwerte" (96..., 41...), written by hand
# with state="hidden"; verstecktes-blatt.ods is LibreOffice's conversion of it.
