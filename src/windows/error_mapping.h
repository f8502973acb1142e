#ifndef VELTABGEN_WINDOWS_ERROR_MAPPING_H
#define VELTABGEN_WINDOWS_ERROR_MAPPING_H

// The errno value that reports a Windows system error, so that a fault is
// told as Linux tells it: a sharing violation is "Permission denied", a
// broken pipe "Broken pipe"; EIO for an error without a closer match.
int errno_of(unsigned long windows_error);

#endif
