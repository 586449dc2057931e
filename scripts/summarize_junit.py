"""Print one closing line for several pytest JUnit reports: 'total: N passed, N failed, N skipped'."""

import sys
import xml.etree.ElementTree as ET

passed = failed = skipped = 0
for path in sys.argv[1:]:
    for suite in ET.parse(path).getroot().iter("testsuite"):
        tests = int(suite.get("tests", 0))
        bad = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
        skip = int(suite.get("skipped", 0))
        passed += tests - bad - skip
        failed += bad
        skipped += skip
print(f"total: {passed} passed, {failed} failed, {skipped} skipped")
