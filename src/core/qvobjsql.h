#pragma once

#include <QString>

// The catalog joins through which every object list of the system reads one kind of object.
// A caller writes its own SELECT list over the fixed aliases, then the FROM text, one blank, the
// WHERE text and its own conditions (the first one starting with "WHERE" when the WHERE text is
// empty, with "AND" otherwise).
//
// Aliases by object-type code (schema column, name column):
//   45 table, 47 view, 61 materialized view: TblNsp.nspname, TblInf.relname (TblSpe for 45)
//   46 index: N.nspname, C.relname; C2/N2 the indexed table, D the comment
//   51 procedure, 52 function, 128 aggregate: Nms.nspname, Prc.proname (Typ, Agr)
//   53 package, 54 package body: Nms.nspname, pac.pkgname
//   55 type: N.nspname, T.typname (C for composite types)
//   57 trigger: Nms.nspname, TrgInf.tgname (TblInf, RefTblInf, FncInf, TblShe, VieShe, TrgCom);
//      the server's internal triggers (foreign keys) are left out
//   58 sequence: N.nspname, C.relname
//   60 synonym: Nms.nspname, Syn.synname
//   64 database link: Nsp.nspname, Lnk.lnkname
//   66 constraint: ConNsp.nspname, ConInf.conname (TblInf, TblNsp)
//   127 rule: ns.nspname, r.rulename (c, cm the comment)
// Every list joins the owner as TblRol (Rol for 64). Codes 53, 54, 60 and 64 read catalogs that
// only the EnterpriseDB edition has.

// Sets both texts for the object-type code; both are empty for a code without a list (users,
// schemas, roles, tablespaces, partitions, policies and unknown codes). dbVersion is
// major * 10000 + minor * 100 + patch; postgresPlus marks the EnterpriseDB edition.
void GetObjectListSQL(int objType, QString &fromText, QString &whereText, int dbVersion,
                      bool postgresPlus);

// The derived table of the edition's packages (rows of pg_namespace with a parent), without an
// alias: columns oid, pkgname, pkgnamespace, pkgowner, pkgheadsrc, pkgbodysrc, pkgproperties,
// pkgacl.
QString GetPackageSubquery(int dbVersion);

// The derived table of package variables and programs, ending in " ) AS " for the caller's
// alias: columns packageoid, eltname, visibility, eltclass (V, F, P), eltdatatype, nargs,
// argtypes, argmodes, argnames.
QString GetPackageElementSubquery();
