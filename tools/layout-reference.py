#!/usr/bin/env python3
"""Lays out the reference pages in headless Chromium and writes the border box of every element
with an id, for the engine's reference layout test to compare with (tests/engine/reference).

    tools/layout-reference.py            all pages
    tools/layout-reference.py 07-floats  the pages whose names start so

A page's first line names its viewport, as the layout dumps do: <!-- width=400 height=300 -->;
its second is <!DOCTYPE html>, so that Chromium lays it out in standards mode as CSS 2.1 has it
(in quirks mode tables do not inherit fonts and a cell's height holds its padding and border).
An element's data-tolerance attribute gives how far, in pixels, the engine may stand off on that
element (text-dependent geometry); the default is 1. Only this script needs a browser (Debian's
chromium, installed here when missing); the test itself only compares.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'engine', 'reference')
PAGES = os.path.join(ROOT, 'pages')
EXPECTED = os.path.join(ROOT, 'expected')

# Runs after the page has laid out: writes one line per element with an id into the page's title,
# which --dump-dom then hands back.
MEASURE = r'''<script>
window.addEventListener('load', () => {
  const lines = [];
  for (const e of document.querySelectorAll('[id]')) {
    const r = e.getBoundingClientRect();
    const t = e.getAttribute('data-tolerance') || '1';
    lines.push([e.id, Math.round(r.left), Math.round(r.top), Math.round(r.width), Math.round(r.height), t].join(' '));
  }
  const out = document.createElement('pre');
  out.id = '__measured';
  out.textContent = '\n' + lines.join('\n') + '\n';
  document.documentElement.appendChild(out);
});
</script>'''


def chromium():
    for name in ('chromium', 'chromium-browser'):
        path = shutil.which(name)
        if path:
            return path
    subprocess.run(['apt-get', 'install', '-y', '-q', '--no-install-recommends', 'chromium'], check=True)
    return shutil.which('chromium')


def viewport(text):
    match = re.search(r'width=(\d+)\s+height=(\d+)', text.split('\n', 1)[0])
    return (int(match.group(1)), int(match.group(2))) if match else (400, 300)


def measure(browser, page):
    with open(page, encoding='utf-8') as source:
        text = source.read()
    width, height = viewport(text)
    with tempfile.TemporaryDirectory() as profile, tempfile.NamedTemporaryFile('w', suffix='.html', delete=False) as copy:
        copy.write(text.replace('</body>', MEASURE + '</body>') if '</body>' in text else text + MEASURE)
        copy.close()
        try:
            dom = subprocess.run(
                [browser, '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
                 '--disable-background-networking', '--disable-component-update', '--disable-sync',
                 '--hide-scrollbars', '--force-device-scale-factor=1', '--font-render-hinting=none',
                 '--user-data-dir=' + profile, '--window-size=%d,%d' % (width, height),
                 '--virtual-time-budget=2000', '--dump-dom', 'file://' + copy.name],
                check=True, capture_output=True, text=True, timeout=60).stdout
        finally:
            os.unlink(copy.name)
    match = re.search(r'<pre id="__measured">(.*?)</pre>', dom, re.S)
    if not match:
        sys.exit('%s: Chromium gave no measurements' % page)
    return [line for line in match.group(1).split('\n') if line.strip()]


def main():
    browser = chromium()
    wanted = sys.argv[1:]
    os.makedirs(EXPECTED, exist_ok=True)
    for name in sorted(os.listdir(PAGES)):
        if not name.endswith('.html') or (wanted and not any(name.startswith(w) for w in wanted)):
            continue
        lines = measure(browser, os.path.join(PAGES, name))
        with open(os.path.join(EXPECTED, name[:-5] + '.txt'), 'w') as out:
            out.write('# id x y width height tolerance, from %s\n' % subprocess.run(
                [browser, '--version'], capture_output=True, text=True).stdout.strip())
            out.write('\n'.join(lines) + '\n')
        print('%s: %d boxes' % (name, len(lines)))


if __name__ == '__main__':
    main()
