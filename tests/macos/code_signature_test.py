"""The arm64 slice of a universal macOS bundle must carry a valid ad-hoc
signature (Apple Silicon refuses to run unsigned code): its CodeDirectory's
page hashes must match the file's pages. Read here, on a machine that cannot
run Mach-O code.
    code_signature_test.py FILE"""
import hashlib
import struct
import sys

FAT_MAGIC = 0xCAFEBABE
CPU_TYPE_ARM64 = 0x0100000C
MH_MAGIC_64 = 0xFEEDFACF
LC_CODE_SIGNATURE = 0x1D
SUPERBLOB_MAGIC = 0xFADE0CC0
CODEDIRECTORY_MAGIC = 0xFADE0C02
CODEDIRECTORY_SLOT = 0
CS_ADHOC = 0x2
HASHES = {1: hashlib.sha1, 2: hashlib.sha256}


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def arm64_slice(data):
    magic, count = struct.unpack_from(">II", data, 0)
    if magic != FAT_MAGIC:
        fail("not a universal file")
    for index in range(count):
        cputype, _, offset, size, _ = struct.unpack_from(">iiIII", data, 8 + 20 * index)
        if cputype == CPU_TYPE_ARM64:
            return data[offset:offset + size]
    fail("no arm64 slice")


def signature_of(image):
    magic, _, _, _, ncmds, _, _, _ = struct.unpack_from("<IiiIIIII", image, 0)
    if magic != MH_MAGIC_64:
        fail("the arm64 slice is not a 64-bit Mach-O file")
    offset = 32
    for _ in range(ncmds):
        cmd, cmdsize = struct.unpack_from("<II", image, offset)
        if cmd == LC_CODE_SIGNATURE:
            dataoff, datasize = struct.unpack_from("<II", image, offset + 8)
            return dataoff, image[dataoff:dataoff + datasize]
        offset += cmdsize
    fail("the arm64 slice has no LC_CODE_SIGNATURE")


def code_directory(blob):
    magic, _, count = struct.unpack_from(">III", blob, 0)
    if magic != SUPERBLOB_MAGIC:
        fail("the signature is not an embedded signature")
    for index in range(count):
        slot, offset = struct.unpack_from(">II", blob, 12 + 8 * index)
        if slot == CODEDIRECTORY_SLOT:
            return blob[offset:]
    fail("the signature has no CodeDirectory")


def main():
    with open(sys.argv[1], "rb") as f:
        image = arm64_slice(f.read())
    signature_offset, blob = signature_of(image)
    directory = code_directory(blob)
    (magic, _, _, flags, hash_offset, _, special_slots, code_slots, code_limit,
     hash_size, hash_type, _, page_shift) = struct.unpack_from(">IIIIIIIIIBBBB", directory, 0)
    if magic != CODEDIRECTORY_MAGIC:
        fail("bad CodeDirectory magic %#x" % magic)
    if not flags & CS_ADHOC:
        fail("not an ad-hoc signature (flags %#x)" % flags)
    if code_limit != signature_offset:
        fail("the signature covers %d bytes, the code ends at %d" % (code_limit, signature_offset))
    if hash_type not in HASHES or hash_size != HASHES[hash_type]().digest_size:
        fail("hash type %d of %d bytes" % (hash_type, hash_size))
    page = 1 << page_shift
    if code_slots != (code_limit + page - 1) // page:
        fail("%d page hashes for %d bytes in pages of %d" % (code_slots, code_limit, page))
    for slot in range(code_slots):
        start = slot * page
        stored = directory[hash_offset + slot * hash_size:hash_offset + (slot + 1) * hash_size]
        if HASHES[hash_type](image[start:min(start + page, code_limit)]).digest() != stored:
            fail("page %d's hash does not match" % slot)
    print("arm64: ad-hoc signature (flags %#x), %d pages of %d bytes hashed, %d special slots, all match"
          % (flags, code_slots, page, special_slots))


main()
