#!/usr/bin/env python3
"""Fails when a property or event of a library component is missing from
the reference: every public setter (SetFoo, the property Foo) that is not
an override of the framework's, every public event member (OnFoo) and
every other public data member (a switch such as kxvGIF's Animate), of
each kxv class in lib/ must be named in that class's section of
docs/library.md (a heading that names the class).
  library_reference.py <source root>"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
reference = (root / "docs" / "library.md").read_text(encoding="utf-8")


def sections(text):
    """The text under each heading, keyed by the heading line."""
    found = {}
    heading, lines = None, []
    for line in text.splitlines():
        if line.startswith("#"):
            if heading:
                found[heading] = "\n".join(lines)
            heading, lines = line, []
        else:
            lines.append(line)
    if heading:
        found[heading] = "\n".join(lines)
    return found


def public_members(header):
    """class name -> (properties, events) of the kxv classes a header declares."""
    classes = {}
    name, public = None, False
    for line in header.splitlines():
        start = re.match(r"class (kxv\w+)\b[^;]*\{", line)
        if start:
            name, public = start.group(1), False
            classes[name] = (set(), set())
            continue
        if name is None:
            continue
        if line.startswith("};"):
            name = None
            continue
        access = re.match(r"\s*(public|protected|private):", line)
        if access:
            public = access.group(1) == "public"
            continue
        if not public:
            continue
        setter = re.match(r"\s+(?:virtual\s+)?void Set(\w+)\(", line)
        # An override is the framework's property, described there.
        if setter and "override" not in line:
            classes[name][0].add(setter.group(1))
        event = re.match(r"\s+[\w:<>,* ]+?\s(On\w+)(?:\s*=[^;]*)?;", line)
        if event:
            classes[name][1].add(event.group(1))
            continue
        # A data member: one or more declarators, initializers aside; what
        # still holds a parenthesis is (part of) a function.
        code = re.sub(r"\{[^}]*\}", "", line.split("//")[0])
        code = re.sub(r"=[^,;]*", "", code).rstrip()
        if "(" in code or ")" in code or not code.endswith(";") or re.match(r"\s*(using|friend|typedef)\b", code):
            continue
        first = re.match(r"\s+(?:(?:static|constexpr|inline|const)\s+)*[\w:<>]+[\s*&]+(\w+)", code)
        if first:
            classes[name][0].add(first.group(1))
            classes[name][0].update(re.findall(r",\s*\*?(\w+)", code))
    return classes


texts = sections(reference)
missing = []
count = 0
for header in sorted((root / "lib").rglob("*.h")):
    for name, (properties, events) in public_members(header.read_text(encoding="utf-8")).items():
        own = [body for heading, body in texts.items() if re.search(rf"\b{name}\b", heading)]
        if not own:
            missing.append(f"{name} ({header.relative_to(root)}): no section")
            continue
        body = "\n".join(own)
        for member in sorted(properties | events):
            count += 1
            # Named as the property, or by its getter or setter.
            if not re.search(rf"\b(?:Get|Set)?{member}\b", body):
                missing.append(f"{name}: {member}")
if missing:
    print("missing from docs/library.md:\n  " + "\n  ".join(missing))
    sys.exit(1)
print(f"docs/library.md names all {count} properties and events")
