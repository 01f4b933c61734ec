#pragma once
// What a file carries besides its bytes and mode: extended attributes, the access ACL among
// them (system.posix_acl_access), copied from the file a save replaces to the file replacing it.

namespace petalwright::platform {

// Copies every extended attribute of the file open at `from` to the file open at `to`; false
// (errno) when one cannot be read or set, so that the file must be written in place instead.
bool copyAttributes(int from, int to);

} // namespace petalwright::platform
