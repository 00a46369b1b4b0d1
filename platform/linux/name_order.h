// The order in which vigil lists sibling devices and disks.
#pragma once

// Whether name a comes before name b: by the name less the number it ends
// in, byte by byte, then by that number's value. So cpu2 comes before
// cpu10 and sda2 before sda10, while fixed-width hexadecimal addresses keep
// their order (0000:00:17.0 before 0000:00:1d.0), which a version sort
// that reads every run of digits as a number would upset.
bool name_before(const char *a, const char *b);
