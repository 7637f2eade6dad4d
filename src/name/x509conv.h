// Name normalisation configuration.
#ifndef PKIX_NAME_X509CONV_H_
#define PKIX_NAME_X509CONV_H_

// Reads the string-encoding configuration; 0 on success, else the reader's
// error. The certificate service is created only after it succeeded.
int conv_read_ini();

#endif  // PKIX_NAME_X509CONV_H_
