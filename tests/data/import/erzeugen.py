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
