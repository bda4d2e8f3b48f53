#!/bin/sh
# Makes Dovel's manual, one HTML page, from README.md: cmark turns the
# Markdown into HTML, which goes into a page titled by the first heading.
# The page shows the pictures README.md names (docs/*.png), which are
# installed beside it.
#
#   sh make-manual.sh CMARK README.md manual.html
set -eu
cmark=$1
in=$2
out=$3
title=$(sed -n 's/^# //p' "$in" | head -n 1 | sed 's/&/\&amp;/g; s/</\&lt;/g; s/>/\&gt;/g')
{
  printf '<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
  printf '<meta name="viewport" content="width=device-width, initial-scale=1">\n'
  printf '<title>%s</title>\n' "$title"
  printf '<style>body{max-width:50em;margin:auto;padding:1em;font-family:sans-serif;line-height:1.5}'
  printf 'img{max-width:100%%}pre{overflow:auto;background:#f4f4f4;padding:.5em}</style>\n'
  printf '</head>\n<body>\n'
  "$cmark" "$in"
  printf '</body>\n</html>\n'
} > "$out.tmp"
mv "$out.tmp" "$out"
