// A library named like OpenSSL's libssl.so.3 that has none of its functions: put first on
// LD_LIBRARY_PATH, it is what the client's dlopen finds, and every lookup in it fails.
extern "C" int kelbrin_fake_libssl_marker() { return 3; }
