#include "implode/explode.h"

#include "implode/explode_codes.h"

unsigned ExplodeStream(StreamReadCallback read, StreamWriteCallback write, ExplodeWorkArea& work,
                       void* param) {
  using namespace implode::expansion;
  const StreamStart start = ReadStreamStart(read, work, param);
  if (start.code != kStreamOk) return start.code;
  BitInput in(read, param, work.input, start.delivered);
  ExpansionWindow window(work, write, param);
  Token token;
  do {
    token = NextToken(in, start.asciiLiterals, start.dictionaryBits);
  } while (window.Take(token));
  window.WriteRest();
  return ResultOf(token);
}
