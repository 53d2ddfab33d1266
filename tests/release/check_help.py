#!/usr/bin/env python3
"""Reads the compiled help file back as an archive (extract_chmLib) and checks that every page of
the table of contents and every page or style sheet that a page links to is in it, and that every
page written for it was compiled in."""
import pathlib
import re
import subprocess
import sys
import tempfile


def main(extractor: str, chm: str, source: str) -> int:
    with tempfile.TemporaryDirectory() as out:
        listing = subprocess.run([extractor, chm, out], capture_output=True, text=True, check=True).stdout
        listed = {line.split('/', 1)[1] for line in listing.splitlines() if line.startswith('--> /')}
        errors = []
        toc = (pathlib.Path(source) / 'toc.hhc').read_text(encoding='utf-8')
        for topic in re.findall(r'name="Local" value="([^"]+)"', toc):
            if topic not in listed:
                errors.append(f'contents name {topic}, which the file lacks')
        for page in sorted(pathlib.Path(source).glob('*.html')):
            if page.name not in listed:
                errors.append(f'{page.name} was not compiled in')
                continue
            text = (pathlib.Path(out) / page.name).read_text(encoding='utf-8')
            for target in re.findall(r'(?:href|src)="([^"#:]+)', text):
                if target not in listed:
                    errors.append(f'{page.name} links to {target}, which the file lacks')
        for error in errors:
            print(error)
        print(f'{len(listed)} entries, {len(errors)} problems')
        return 1 if errors else 0


if __name__ == '__main__':
    sys.exit(main(*sys.argv[1:4]))
