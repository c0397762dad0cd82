// The deploying bank's own configuration values.
//
// These are the values of a FICTITIOUS TEST BANK. The host names lie under the reserved
// top-level domain ".example" (RFC 2606), so they can never reach a real bank. A bank that
// deploys Quorvane replaces the three definitions below and nothing else.
//
// QUORVANE_BANK_TRUSTED_SITES (string 141): the bank's sites that the browser settings make trusted, separated
//   by ";", each a scheme, "://", a host, and optionally a port and a path.
// QUORVANE_BANK_HOME_PAGE (string 152): the online-banking home page; CB_Close opens it and the
//   upgrade notice names it.
// QUORVANE_BANK_CSP_NAME (string 192): the provider's registered CryptoAPI name. It must equal the
//   provider's CSP_NAME setting, whose default is "Korvel Cryptographic Service Provider".
#pragma once

#define QUORVANE_BANK_TRUSTED_SITES \
  "https://ebank.quorvane-test.example;https://pay.quorvane-test.example:5800/netbank/;http://www.quorvane-test.example"
#define QUORVANE_BANK_HOME_PAGE "https://www.quorvane-test.example/"
#define QUORVANE_BANK_CSP_NAME "Korvel Cryptographic Service Provider"
