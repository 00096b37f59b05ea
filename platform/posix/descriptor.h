// The descriptor behind a held directory, for the other POSIX bodies.
#ifndef MORVELLAN_PLATFORM_POSIX_DESCRIPTOR_H
#define MORVELLAN_PLATFORM_POSIX_DESCRIPTOR_H

class TDirectory;

/// The directory's descriptor, or -1 when it is not open.
int DirectoryDescriptor(const TDirectory& Dir);

#endif
