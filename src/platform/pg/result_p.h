#pragma once

// Private to the layer: what a pg::Result holds.

#include "fields.h"
#include "textcodec_p.h"

#include <libpq-fe.h>

namespace pg::detail {

struct ResultData
{
    ResultData(PGresult *r, const TextCodec *c, const QString &statement, int hiddenColumns = 0);
    ~ResultData();
    ResultData(const ResultData &) = delete;
    ResultData &operator=(const ResultData &) = delete;

    PGresult *res = nullptr;
    const TextCodec *codec = nullptr;
    QString statement;
    FieldList fields; // without the hidden trailing columns
    int columns = 0; // including hidden ones
};

// Fills a field list from a described or executed result.
void readFields(const PGresult *res, int count, FieldList *fields, const TextCodec *codec);

} // namespace pg::detail
