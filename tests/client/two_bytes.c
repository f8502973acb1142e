/* A 2-byte object, linked before a table: a table aligned on only 2 bytes
 * may land right after it, 2 bytes past a 4-byte boundary. SHORTS (1 or 2)
 * shifts what follows by 2 bytes, so that one of the two puts a table of
 * 2-byte alignment on such an address. */
const short two_bytes[SHORTS] = {1};
