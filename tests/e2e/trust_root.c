/* trust_root.exe CERT: adds a CA certificate (PEM or DER) to the current user's Root store of
   the Wine prefix (or Windows account) it runs in, so that servers whose chain ends at it are
   trusted. Under Wine this asks nothing; on Windows the system asks the user first.
   Exit status: 0 when the certificate is in the store, 1 otherwise. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>
#include <wincrypt.h>

int main(int argc, char** argv) {
  FILE* file;
  BYTE* data;
  BYTE* der;
  DWORD derLength = 0;
  long length;
  HCERTSTORE store;
  BOOL added;
  if (argc != 2) {
    fputs("usage: trust_root.exe CERT\n", stderr);
    return 1;
  }
  file = fopen(argv[1], "rb");
  if (file == NULL || fseek(file, 0, SEEK_END) != 0 || (length = ftell(file)) <= 0) {
    fprintf(stderr, "trust_root: cannot read %s\n", argv[1]);
    return 1;
  }
  rewind(file);
  data = malloc((size_t)length);
  if (data == NULL || fread(data, 1, (size_t)length, file) != (size_t)length) {
    fprintf(stderr, "trust_root: cannot read %s\n", argv[1]);
    return 1;
  }
  fclose(file);
  /* PEM: the base64 between the markers; otherwise the bytes are DER already. */
  der = data;
  derLength = (DWORD)length;
  if (CryptStringToBinaryA((const char*)data, (DWORD)length, CRYPT_STRING_BASE64HEADER, NULL, &derLength, NULL, NULL)) {
    der = malloc(derLength);
    if (der == NULL || !CryptStringToBinaryA((const char*)data, (DWORD)length, CRYPT_STRING_BASE64HEADER, der,
                                             &derLength, NULL, NULL)) {
      fputs("trust_root: a damaged PEM file\n", stderr);
      return 1;
    }
  }
  store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == NULL) {
    fprintf(stderr, "trust_root: CertOpenStore failed (%lu)\n", GetLastError());
    return 1;
  }
  added =
      CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der, derLength, CERT_STORE_ADD_REPLACE_EXISTING, NULL);
  if (!added) fprintf(stderr, "trust_root: CertAddEncodedCertificateToStore failed (%lu)\n", GetLastError());
  CertCloseStore(store, 0);
  return added ? 0 : 1;
}
