# Shared by the command-line tests; sourced, not run. Needs $tmp.

# mkpdf OUT OBJ...: writes OUT from files holding the bodies of objects 1, 2,
# ...; a body file whose name ends in ".stream" becomes a stream object, one
# ending in ".form" a form XObject covering the page (its font is object 4).
# The catalog must be object 1. Offsets are measured, so the bodies are free text.
mkpdf() {
  out=$1
  shift
  printf '%%PDF-1.4\n%%\342\343\317\323\n' > "$out"
  n=0
  : > "$tmp/offsets"
  for body in "$@"; do
    n=$((n + 1))
    wc -c < "$out" >> "$tmp/offsets"
    printf '%d 0 obj\n' "$n" >> "$out"
    case $body in
      *.stream|*.form)
        case $body in
          *.form) printf '<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Resources << /Font << /F1 4 0 R >> >> ' >> "$out" ;;
          *) printf '<< ' >> "$out" ;;
        esac
        printf '/Length %d >>\nstream\n' "$(wc -c < "$body")" >> "$out"
        cat "$body" >> "$out"
        printf '\nendstream' >> "$out" ;;
      *) cat "$body" >> "$out" ;;
    esac
    printf '\nendobj\n' >> "$out"
  done
  xref=$(wc -c < "$out")
  printf 'xref\n0 %d\n0000000000 65535 f \n' $((n + 1)) >> "$out"
  while read -r offset; do printf '%010d 00000 n \n' "$offset" >> "$out"; done < "$tmp/offsets"
  printf 'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' $((n + 1)) "$xref" >> "$out"
}
