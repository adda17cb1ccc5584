#pragma once

// Check digits of the Brazilian document numbers and of the modulus-10 codes the TEF libraries ask
// the operator to type. Each check takes the digits alone (punctuation stripped by the caller, see
// OvraSoDigitos) and accepts exactly the valid numbers: a wrong length, any other character or a
// wrong check digit is refused.

#include <string>
#include <string_view>

// The decimal digits of a text, in order ("123.456.789-09" gives "12345678909").
std::string OvraSoDigitos(std::string_view texto);

// The modulus-10 check digit of a run of digits: from the rightmost leftwards the weights are 2 and
// 1 in turn, a product above 9 counts as the sum of its digits, and the digit is 10 minus the sum
// modulo 10 (0 when that is 10). -1 when the text is empty or not all digits.
int OvraDigitoModulo10(std::string_view digitos);

// The last digit is the modulus-10 check digit of the others (at least two digits).
bool OvraValidarModulo10(std::string_view digitos);

// Eleven digits whose last two are the CPF's check digits. Numbers of one repeated digit
// ("00000000000", "11111111111"...) pass the arithmetic but are never issued and are the classic
// placeholders typed to get past a form: they are refused.
bool OvraValidarCPF(std::string_view digitos);

// Fourteen digits whose last two are the CNPJ's check digits; one repeated digit is refused, as for
// the CPF.
bool OvraValidarCNPJ(std::string_view digitos);

// Either document, told apart by the length.
bool OvraValidarCPFouCNPJ(std::string_view digitos);
