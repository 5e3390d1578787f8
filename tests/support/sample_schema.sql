-- The sample schema: the template of every test database and the local sample database.
CREATE EXTENSION IF NOT EXISTS pg_stat_statements;

CREATE SCHEMA sales;
COMMENT ON SCHEMA sales IS '販売';

CREATE TABLE sales.customer (
    customer_id integer PRIMARY KEY,
    name        varchar(100) NOT NULL,
    kana        text,
    created_at  timestamptz NOT NULL DEFAULT now()
);
COMMENT ON TABLE sales.customer IS '顧客';
COMMENT ON COLUMN sales.customer.name IS '顧客名';

CREATE TABLE sales.orders (
    order_id    bigserial PRIMARY KEY,
    customer_id integer NOT NULL REFERENCES sales.customer,
    ordered_on  date NOT NULL,
    amount      numeric(12, 2) NOT NULL CHECK (amount >= 0),
    note        text
);
CREATE INDEX orders_customer_idx ON sales.orders (customer_id);

CREATE VIEW sales.customer_total AS
    SELECT c.customer_id, c.name, sum(o.amount) AS total
      FROM sales.customer c LEFT JOIN sales.orders o USING (customer_id)
     GROUP BY c.customer_id, c.name;

CREATE FUNCTION sales.order_count(p_customer integer) RETURNS bigint
    LANGUAGE sql STABLE AS $$ SELECT count(*) FROM sales.orders WHERE customer_id = p_customer $$;

INSERT INTO sales.customer (customer_id, name, kana) VALUES
    (1, '山田商事', 'ヤマダショウジ'),
    (2, 'Blue Ocean Ltd.', NULL),
    (3, '田中工業', 'タナカコウギョウ');
INSERT INTO sales.orders (customer_id, ordered_on, amount, note) VALUES
    (1, '2026-01-15', 12000.50, '初回'),
    (1, '2026-02-01', 800.00, NULL),
    (3, '2026-03-10', 45000.00, '特急');

-- ---------------------------------------------------------------------------------------------
-- The catalog sample: one object of every kind that the object lists, definition windows and
-- scripts read, so that catalog queries can be checked against known contents. Schema inv holds
-- the objects, schema ext the types whose names need quoting. Roles are cluster-wide: they carry
-- the prefix corvane_ and are created only when missing, so the script may run again on a
-- cluster that already has them.
-- ---------------------------------------------------------------------------------------------

SET client_min_messages = warning;

DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['corvane_reader', 'corvane_writer', 'corvane_odd/name=1',
                             'corvane Auditor']
    LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', r);
        END IF;
    END LOOP;
END
$$;

CREATE SCHEMA ext;
COMMENT ON SCHEMA ext IS '共有型';

-- Type names that format_type writes in double quotes: upper case, a dot, a double quote.
CREATE DOMAIN ext."Amount" AS numeric(12, 2) CHECK (VALUE >= 0);
CREATE TYPE ext."Geo.Point" AS (x double precision, y double precision);
CREATE TYPE ext."say""hi" AS ENUM ('hello', 'bye');

CREATE SCHEMA inv;
COMMENT ON SCHEMA inv IS '在庫';
GRANT USAGE ON SCHEMA inv, ext TO corvane_reader, corvane_writer, "corvane_odd/name=1",
    "corvane Auditor";

-- Types of every sort the type list shows: composite, enum, range, base, domain.
CREATE TYPE inv.dimension AS (width numeric(8, 2), height numeric(8, 2));
COMMENT ON TYPE inv.dimension IS '寸法';
CREATE TYPE inv.item_state AS ENUM ('new', 'used', 'scrapped');
CREATE TYPE inv.qty_range AS RANGE (subtype = integer);
CREATE DOMAIN inv.positive_qty AS integer CONSTRAINT positive_qty_check CHECK (VALUE > 0);

CREATE TYPE inv.raw_text;
CREATE FUNCTION inv.raw_text_in(cstring) RETURNS inv.raw_text
    LANGUAGE internal IMMUTABLE STRICT AS 'textin';
CREATE FUNCTION inv.raw_text_out(inv.raw_text) RETURNS cstring
    LANGUAGE internal IMMUTABLE STRICT AS 'textout';
CREATE TYPE inv.raw_text (INPUT = inv.raw_text_in, OUTPUT = inv.raw_text_out, LIKE = text);

CREATE SEQUENCE inv.item_no_seq START 1000 INCREMENT 10;
COMMENT ON SEQUENCE inv.item_no_seq IS '品目番号';

CREATE TABLE inv.warehouse (
    warehouse_id serial PRIMARY KEY,
    code         varchar(10) NOT NULL CONSTRAINT warehouse_code_key UNIQUE,
    name         text NOT NULL,
    closed       boolean NOT NULL DEFAULT false,
    CONSTRAINT warehouse_code_check CHECK (code <> '')
);
COMMENT ON TABLE inv.warehouse IS '倉庫';
COMMENT ON COLUMN inv.warehouse.code IS '倉庫コード';
COMMENT ON CONSTRAINT warehouse_code_check ON inv.warehouse IS 'コードは空にしない';

CREATE TABLE inv.item (
    item_id      integer PRIMARY KEY DEFAULT nextval('inv.item_no_seq'),
    warehouse_id integer NOT NULL
                 CONSTRAINT item_warehouse_fkey REFERENCES inv.warehouse ON DELETE CASCADE,
    name         text NOT NULL,
    description  text,
    state        inv.item_state NOT NULL DEFAULT 'new',
    size         inv.dimension,
    price        ext."Amount",
    valid        tsrange,
    CONSTRAINT item_valid_excl EXCLUDE USING gist (valid WITH &&)
);
ALTER SEQUENCE inv.item_no_seq OWNED BY inv.item.item_id;
COMMENT ON TABLE inv.item IS '品目';
CREATE INDEX item_name_idx ON inv.item (name);
COMMENT ON INDEX inv.item_name_idx IS '品名の索引';

-- Every column type whose modifier the type texts decode, and the type names that need quoting.
CREATE TABLE inv.type_zoo (
    id            bigserial PRIMARY KEY,
    c_varchar     varchar(20),
    c_varchar_any character varying,
    c_char        char(5),
    c_bpchar      bpchar,
    c_char1       "char",
    c_text        text,
    c_numeric     numeric,
    c_num_10_2    numeric(10, 2),
    c_num_10_0    numeric(10),
    c_num_neg     numeric(5, -2),
    c_num_big     numeric(3, 5),
    c_bit         bit(8),
    c_bit_any     "bit",
    c_varbit      bit varying(16),
    c_varbit_any  varbit,
    c_time        time(3),
    c_timetz      time with time zone,
    c_ts          timestamp(0),
    c_tstz        timestamptz(6),
    c_ts_plain    timestamp,
    c_iv          interval,
    c_iv_sec      interval second(2),
    c_iv_d2s      interval day to second(0),
    c_iv_y2m      interval year to month,
    c_iv_p        interval(4),
    c_iv_hour     interval hour,
    c_iv_m2s      interval minute to second(3),
    a_varchar     varchar(20)[],
    a_numeric     numeric(8, 3)[],
    a_ts          timestamp(3)[],
    a_iv          interval minute to second(3)[],
    a_bit         bit(4)[],
    a_bpchar      bpchar[],
    c_int2        smallint,
    c_int4        integer,
    c_int8        bigint,
    c_float4      real,
    c_float8      double precision,
    c_bool        boolean,
    c_date        date,
    c_money       money,
    c_uuid        uuid,
    c_jsonb       jsonb,
    c_bytea       bytea,
    c_inet        inet,
    c_tsvector    tsvector,
    c_amount      ext."Amount",
    c_point       ext."Geo.Point",
    c_points      ext."Geo.Point"[],
    c_say         ext."say""hi",
    c_dim         inv.dimension,
    c_state       inv.item_state,
    c_states      inv.item_state[],
    c_qty         inv.qty_range,
    c_raw         inv.raw_text,
    c_pos         inv.positive_qty
);

-- A partitioned table with a partitioned index; its partitions and their indexes.
CREATE TABLE inv.stock_move (
    move_id  bigint NOT NULL,
    item_id  integer NOT NULL CONSTRAINT stock_move_item_fkey REFERENCES inv.item,
    moved_on date NOT NULL,
    qty      integer NOT NULL CONSTRAINT stock_move_qty_check CHECK (qty <> 0),
    CONSTRAINT stock_move_pkey PRIMARY KEY (move_id, moved_on)
) PARTITION BY RANGE (moved_on);
COMMENT ON TABLE inv.stock_move IS '入出庫';
CREATE TABLE inv.stock_move_2025 PARTITION OF inv.stock_move
    FOR VALUES FROM ('2025-01-01') TO ('2026-01-01');
CREATE TABLE inv.stock_move_2026 PARTITION OF inv.stock_move
    FOR VALUES FROM ('2026-01-01') TO ('2027-01-01');
CREATE INDEX stock_move_item_idx ON inv.stock_move (item_id);
COMMENT ON INDEX inv.stock_move_item_idx IS '品目別';

-- A foreign table on a wrapper without handler: it can be defined and listed, not read.
CREATE FOREIGN DATA WRAPPER dummy_fdw;
CREATE SERVER dummy_server FOREIGN DATA WRAPPER dummy_fdw;
CREATE FOREIGN TABLE inv.remote_item (
    item_id integer,
    name    text
) SERVER dummy_server OPTIONS (table_name 'item');

CREATE VIEW inv.item_view AS
    SELECT i.item_id, i.name, w.name AS warehouse
      FROM inv.item i JOIN inv.warehouse w USING (warehouse_id);
COMMENT ON VIEW inv.item_view IS '品目一覧';

CREATE MATERIALIZED VIEW inv.stock_mv AS
    SELECT item_id, sum(qty) AS qty FROM inv.stock_move GROUP BY item_id;

CREATE RULE warehouse_keep_closed AS ON DELETE TO inv.warehouse
    WHERE old.closed DO INSTEAD NOTHING;
COMMENT ON RULE warehouse_keep_closed ON inv.warehouse IS '閉鎖倉庫は消さない';

-- Routines: overloads, every argument mode, arrays, unnamed arguments, a type of another schema
-- with a quoted name, set-returning forms.
CREATE FUNCTION inv.price_of(p_item integer) RETURNS numeric
    LANGUAGE sql STABLE AS $$ SELECT price::numeric FROM inv.item WHERE item_id = p_item $$;
CREATE FUNCTION inv.price_of(p_item integer, p_on date) RETURNS numeric
    LANGUAGE sql STABLE AS $$ SELECT inv.price_of(p_item) $$;
COMMENT ON FUNCTION inv.price_of(integer) IS '単価';
CREATE FUNCTION inv.split_name(IN full_name text, OUT first_part text, OUT last_part text)
    LANGUAGE sql IMMUTABLE
    AS $$ SELECT split_part(full_name, ' ', 1), split_part(full_name, ' ', 2) $$;
CREATE FUNCTION inv.adjust(INOUT qty integer, delta integer)
    LANGUAGE sql IMMUTABLE AS $$ SELECT qty + delta $$;
CREATE FUNCTION inv.total(VARIADIC vals numeric[]) RETURNS numeric
    LANGUAGE sql IMMUTABLE AS $$ SELECT sum(v) FROM unnest(vals) AS v $$;
CREATE FUNCTION inv.items_in(p_warehouse integer)
    RETURNS TABLE (item_id integer, item_name text)
    LANGUAGE sql STABLE
    AS $$ SELECT item_id, name FROM inv.item WHERE warehouse_id = p_warehouse $$;
CREATE FUNCTION inv.first_of(integer[]) RETURNS integer
    LANGUAGE sql IMMUTABLE AS $$ SELECT $1[1] $$;
CREATE FUNCTION inv.twice(integer, text) RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT $2 || $1 || $2 $$;
CREATE FUNCTION inv.distance(a ext."Geo.Point", b ext."Geo.Point", OUT d double precision)
    LANGUAGE sql IMMUTABLE AS $$ SELECT sqrt((a.x - b.x) ^ 2 + (a.y - b.y) ^ 2) $$;
CREATE FUNCTION inv.greet(ext."say""hi", VARIADIC names text[] DEFAULT '{}') RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT $1::text || array_to_string($2, ',') $$;
CREATE FUNCTION inv.now_text() RETURNS text
    LANGUAGE sql STABLE AS $$ SELECT now()::text $$;
CREATE FUNCTION inv.row_no() RETURNS bigint
    LANGUAGE internal WINDOW IMMUTABLE AS 'window_row_number';

CREATE PROCEDURE inv.restock(p_item integer, p_qty integer)
    LANGUAGE sql AS $$ UPDATE inv.item SET name = name WHERE item_id = p_item AND p_qty > 0 $$;
CREATE PROCEDURE inv.restock(p_item integer)
    LANGUAGE sql AS $$ CALL inv.restock(p_item, 1) $$;
CREATE PROCEDURE inv.count_items(INOUT n bigint)
    LANGUAGE plpgsql AS $$ BEGIN SELECT count(*) INTO n FROM inv.item; END $$;
CREATE PROCEDURE inv.count_in(IN p_warehouse integer, OUT n bigint)
    LANGUAGE plpgsql
    AS $$ BEGIN SELECT count(*) INTO n FROM inv.item WHERE warehouse_id = p_warehouse; END $$;

-- Aggregates: a plain one, ordered-set ones with and without direct arguments and with more
-- aggregated than direct arguments, and a hypothetical-set one stored with one argument.
CREATE AGGREGATE inv.product(numeric) (SFUNC = numeric_mul, STYPE = numeric, INITCOND = '1');
COMMENT ON AGGREGATE inv.product(numeric) IS '積';
CREATE FUNCTION inv.list_add(text[], text) RETURNS text[]
    LANGUAGE sql IMMUTABLE AS $$ SELECT $1 || $2 $$;
CREATE FUNCTION inv.list_add2(text[], text, integer) RETURNS text[]
    LANGUAGE sql IMMUTABLE AS $$ SELECT $1 || ($2 || ':' || $3) $$;
CREATE FUNCTION inv.list_join(text[], text) RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT array_to_string($1, $2) $$;
CREATE FUNCTION inv.list_plain(text[]) RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT array_to_string($1, ',') $$;
CREATE AGGREGATE inv.joined(text ORDER BY text)
    (SFUNC = inv.list_add, STYPE = text[], FINALFUNC = inv.list_join, INITCOND = '{}');
CREATE AGGREGATE inv.sorted_list(ORDER BY text)
    (SFUNC = inv.list_add, STYPE = text[], FINALFUNC = inv.list_plain, INITCOND = '{}');
CREATE AGGREGATE inv.pair_list(text ORDER BY text, integer)
    (SFUNC = inv.list_add2, STYPE = text[], FINALFUNC = inv.list_join, INITCOND = '{}');
CREATE AGGREGATE inv.my_rank(VARIADIC "any" ORDER BY VARIADIC "any")
    (SFUNC = ordered_set_transition_multi, STYPE = internal, FINALFUNC = rank_final,
     FINALFUNC_EXTRA, HYPOTHETICAL);

-- Triggers: a user trigger, one on the partitioned table (cloned to its partitions), a
-- constraint trigger; the foreign keys add the server's internal triggers.
CREATE FUNCTION inv.touch_item() RETURNS trigger
    LANGUAGE plpgsql AS $$ BEGIN NEW.name := trim(NEW.name); RETURN NEW; END $$;
CREATE TRIGGER item_touch BEFORE INSERT OR UPDATE ON inv.item
    FOR EACH ROW EXECUTE FUNCTION inv.touch_item();
COMMENT ON TRIGGER item_touch ON inv.item IS '品名の空白を除く';
CREATE FUNCTION inv.check_move() RETURNS trigger
    LANGUAGE plpgsql AS $$ BEGIN RETURN NULL; END $$;
CREATE TRIGGER stock_move_check AFTER INSERT ON inv.stock_move
    FOR EACH ROW EXECUTE FUNCTION inv.check_move();
CREATE CONSTRAINT TRIGGER warehouse_audit AFTER INSERT ON inv.warehouse
    DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION inv.check_move();

-- Privileges: plain grants, one WITH GRANT OPTION that its holder passes on (a second
-- grantor), grantees and grantors whose names the ACL text quotes.
GRANT SELECT ON inv.item TO corvane_reader;
GRANT SELECT, INSERT, UPDATE ON inv.item TO corvane_writer WITH GRANT OPTION;
GRANT SELECT ON inv.item TO "corvane_odd/name=1" WITH GRANT OPTION;
GRANT SELECT ON inv.warehouse TO PUBLIC;
GRANT SELECT, DELETE ON inv.warehouse TO "corvane Auditor";
GRANT EXECUTE ON FUNCTION inv.price_of(integer) TO corvane_reader;
GRANT USAGE ON SEQUENCE inv.item_no_seq TO corvane_writer;
SET ROLE corvane_writer;
GRANT SELECT, INSERT ON inv.item TO "corvane Auditor";
RESET ROLE;
SET ROLE "corvane_odd/name=1";
GRANT SELECT ON inv.item TO corvane_writer;
RESET ROLE;

INSERT INTO inv.warehouse (code, name) VALUES ('TKY', '東京倉庫'), ('OSK', '大阪倉庫');
INSERT INTO inv.item (warehouse_id, name, description, price) VALUES
    (1, 'ボルト', repeat('長い説明 ', 500), 12.50),
    (2, 'ナット', NULL, 8.00);
INSERT INTO inv.stock_move VALUES (1, 1000, '2025-06-01', 100), (2, 1010, '2026-02-01', -5);
REFRESH MATERIALIZED VIEW inv.stock_mv;

-- Indexes of every kind and clause the index editor reads back: access methods, expressions,
-- operator classes, collations, sort order, INCLUDE, storage parameters, predicates, and two
-- names that differ only in letter case.
CREATE SCHEMA idx;
CREATE TABLE idx.doc (
    doc_id  integer PRIMARY KEY,
    title   text NOT NULL,
    tags    text[],
    span    int4range,
    created date NOT NULL,
    score   numeric
);
CREATE INDEX doc_created_brin ON idx.doc USING brin (created) WITH (pages_per_range = 16);
CREATE INDEX doc_title_hash ON idx.doc USING hash (title);
CREATE INDEX doc_tags_gin ON idx.doc USING gin (tags);
CREATE INDEX doc_span_gist ON idx.doc USING gist (span);
CREATE INDEX doc_title_spgist ON idx.doc USING spgist (title);
CREATE INDEX doc_lower_title ON idx.doc (lower(title) text_pattern_ops, created DESC NULLS LAST);
CREATE INDEX doc_recent ON idx.doc (created) WHERE score > 0;
CREATE UNIQUE INDEX doc_title_incl ON idx.doc (title COLLATE "C") INCLUDE (score, created);
CREATE INDEX doc_score_desc ON idx.doc (score DESC, doc_id);
CREATE INDEX "Doc_Mixed" ON idx.doc (doc_id);
CREATE INDEX doc_mixed ON idx.doc (title);

-- Storage parameters of a table and of its TOAST table, and same-named children in two schemas.
CREATE TABLE idx.tuned (id integer, body text)
    WITH (autovacuum_enabled = false, autovacuum_vacuum_threshold = 100,
          autovacuum_analyze_threshold = 50, autovacuum_vacuum_scale_factor = 1,
          autovacuum_analyze_scale_factor = 0.05, autovacuum_vacuum_cost_delay = 2.5,
          autovacuum_vacuum_insert_threshold = -1, toast.autovacuum_enabled = false,
          toast.autovacuum_vacuum_threshold = 200, toast.autovacuum_vacuum_cost_delay = 2.5);
CREATE TABLE idx.base_a (id integer);
CREATE TABLE idx.base_b (id integer);
CREATE TABLE idx.child () INHERITS (idx.base_a);
CREATE TABLE public.child () INHERITS (idx.base_b);

-- ---------------------------------------------------------------------------------------------
-- Privileges as the privileges frame reads and writes them. The objects of schema grt belong to
-- a role of their own, so default privileges and the grantor of every grant name that role. One
-- role can log in, one name needs quoting; a holder passes its grant option on; the function
-- fn_default and the type mood keep a NULL list (default privileges), the table locked an empty
-- one (nobody holds anything).
-- ---------------------------------------------------------------------------------------------

DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['corvane_grt_owner', 'corvane_grt_a', 'corvane_grt_b',
                             'corvane_grt Mixed']
    LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', r);
        END IF;
    END LOOP;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = 'corvane_grt_login') THEN
        CREATE ROLE corvane_grt_login LOGIN;
    END IF;
END
$$;

CREATE SCHEMA grt;
GRANT USAGE ON SCHEMA grt TO corvane_grt_a, corvane_grt_b, "corvane_grt Mixed";
CREATE TABLE grt.plain (id integer, note text);
CREATE TABLE grt.parted (id integer) PARTITION BY RANGE (id);
CREATE FOREIGN TABLE grt.remote (id integer) SERVER dummy_server;
CREATE TABLE grt.locked (id integer);
CREATE FUNCTION grt.fn_default(integer) RETURNS integer LANGUAGE sql AS 'SELECT $1';
CREATE FUNCTION grt.fn_granted(text) RETURNS text LANGUAGE sql AS 'SELECT $1';
CREATE SEQUENCE grt.counter;
CREATE TYPE grt.mood AS ENUM ('ok', 'bad');
CREATE TYPE grt.shade AS (r integer, g integer, b integer);
ALTER TABLE grt.plain OWNER TO corvane_grt_owner;
ALTER TABLE grt.parted OWNER TO corvane_grt_owner;
ALTER FOREIGN TABLE grt.remote OWNER TO corvane_grt_owner;
ALTER TABLE grt.locked OWNER TO corvane_grt_owner;
ALTER FUNCTION grt.fn_default(integer) OWNER TO corvane_grt_owner;
ALTER FUNCTION grt.fn_granted(text) OWNER TO corvane_grt_owner;
ALTER SEQUENCE grt.counter OWNER TO corvane_grt_owner;
ALTER TYPE grt.mood OWNER TO corvane_grt_owner;
ALTER TYPE grt.shade OWNER TO corvane_grt_owner;

GRANT SELECT, INSERT ON grt.plain TO corvane_grt_a WITH GRANT OPTION;
GRANT UPDATE ON grt.plain TO "corvane_grt Mixed";
GRANT SELECT ON grt.plain TO PUBLIC;
SET ROLE corvane_grt_a;
GRANT SELECT ON grt.plain TO corvane_grt_b;
RESET ROLE;
GRANT SELECT ON grt.parted TO corvane_grt_b;
GRANT SELECT, UPDATE ON grt.remote TO corvane_grt_a WITH GRANT OPTION;
REVOKE ALL ON grt.locked FROM corvane_grt_owner;
REVOKE EXECUTE ON FUNCTION grt.fn_granted(text) FROM PUBLIC;
GRANT EXECUTE ON FUNCTION grt.fn_granted(text) TO corvane_grt_a WITH GRANT OPTION;
GRANT USAGE ON SEQUENCE grt.counter TO corvane_grt_a;
GRANT SELECT ON SEQUENCE grt.counter TO "corvane_grt Mixed" WITH GRANT OPTION;
REVOKE USAGE ON TYPE grt.shade FROM PUBLIC;
GRANT USAGE ON TYPE grt.shade TO corvane_grt_a;

-- ---------------------------------------------------------------------------------------------
-- Dependencies: objects whose pg_depend rows the dependency trees read. A serial column (a
-- table and its own sequence refer to each other), views on views, a materialized view,
-- overloads, a procedure and an aggregate, a trigger with its function, a rule, a table whose
-- foreign key and default refer to itself, a table and a function that refer to each other,
-- a partitioned table with a partitioned index, schema and object names holding "." and "(",
-- and a table of the same name in a second schema.
-- ---------------------------------------------------------------------------------------------
CREATE SCHEMA dep;
CREATE SCHEMA dep_other;

CREATE TYPE dep.mood AS ENUM ('calm', 'busy');
CREATE TABLE dep.item (id serial PRIMARY KEY, name text NOT NULL, mood dep.mood);
CREATE TABLE dep_other.item (id integer PRIMARY KEY, note text);
CREATE TABLE dep.item_log (item_id integer, name text);

CREATE FUNCTION dep.item_label(integer) RETURNS text
    LANGUAGE sql IMMUTABLE RETURN 'item ' || $1;
CREATE FUNCTION dep.item_label(integer, text) RETURNS text
    LANGUAGE sql IMMUTABLE RETURN $2 || ' ' || $1;

CREATE VIEW dep.item_v AS SELECT id, name, dep.item_label(id) AS label FROM dep.item;
CREATE VIEW dep.item_vv AS SELECT id, dep.item_label(id, name) AS label FROM dep.item_v;
CREATE MATERIALIZED VIEW dep.item_mv AS SELECT v.id, o.note FROM dep.item_v v
    LEFT JOIN dep_other.item o ON o.id = v.id;

CREATE PROCEDURE dep.item_rename(p_id integer, p_name text) LANGUAGE sql
BEGIN ATOMIC
    UPDATE dep.item SET name = p_name WHERE id = p_id;
END;

CREATE FUNCTION dep.join_step(text, text) RETURNS text
    LANGUAGE sql IMMUTABLE RETURN CASE WHEN $1 = '' THEN $2 ELSE $1 || ',' || $2 END;
CREATE AGGREGATE dep.join_all(text) (SFUNC = dep.join_step, STYPE = text, INITCOND = '');

CREATE FUNCTION dep.item_touch() RETURNS trigger LANGUAGE plpgsql
    AS $$ BEGIN NEW.name := trim(NEW.name); RETURN NEW; END $$;
CREATE TRIGGER item_touch BEFORE INSERT OR UPDATE ON dep.item
    FOR EACH ROW EXECUTE FUNCTION dep.item_touch();
CREATE RULE item_forget AS ON DELETE TO dep.item
    DO ALSO DELETE FROM dep.item_log WHERE item_id = OLD.id;

CREATE TABLE dep.node (id integer PRIMARY KEY, parent integer REFERENCES dep.node (id));

CREATE TABLE dep.ticket (id integer PRIMARY KEY);
CREATE FUNCTION dep.next_ticket() RETURNS integer LANGUAGE sql
BEGIN ATOMIC
    SELECT COALESCE(max(id), 0) + 1 FROM dep.ticket;
END;
ALTER TABLE dep.ticket ALTER COLUMN id SET DEFAULT dep.next_ticket();

CREATE TABLE dep.event (id integer, at date) PARTITION BY RANGE (at);
CREATE TABLE dep.event_2026 PARTITION OF dep.event FOR VALUES FROM ('2026-01-01') TO ('2027-01-01');
CREATE INDEX event_at ON dep.event (at);
CREATE VIEW dep.event_v AS SELECT id, at FROM dep.event;

CREATE SCHEMA "dep.dot";
CREATE TABLE "dep.dot".tab (id integer);
CREATE TABLE dep."odd.name(1)" (id integer);
CREATE FUNCTION dep."odd(f).x"(integer) RETURNS integer LANGUAGE sql RETURN $1;
CREATE VIEW dep."odd.v" AS SELECT dep."odd(f).x"(o.id) AS id FROM dep."odd.name(1)" o
    JOIN "dep.dot".tab t ON t.id = o.id;

-- The data frame's clipboard and workbook output: text that must stay text, numbers, dates,
-- bytea, booleans, NULLs, and values with tabs, quotes, commas and line breaks.
CREATE SCHEMA wbk;
CREATE TABLE wbk.orders (
    code    varchar(8) PRIMARY KEY,
    name    text,
    amount  numeric(12,2),
    qty     integer,
    ordered date,
    stamp   timestamp,
    payload bytea,
    done    boolean,
    note    text
);
INSERT INTO wbk.orders VALUES
 ('00123', '受注', 1250.50, 3, '2024-02-29', '2024-02-29 18:00:00', '\x00ff', true,
  'tab	and "quote"'),
 ('00456', 'order', -3.25, NULL, '1999-12-31', '2026-01-02 03:04:05.25', NULL, false,
  E'line\r\nbreak'),
 ('A-9', NULL, NULL, 7, NULL, NULL, '\x', NULL, 'a,b');

-- Object list: one object of every kind in schema lst; two schemas whose names a LIKE pattern
-- would mix up (lst_b matches lstxb when "_" is a wildcard); a trigger named before_x that fires
-- AFTER, one per timing; a foreign key (the server's internal triggers); an aggregate without
-- arguments; routines with OUT and TABLE arguments; a sequence that has been used.
CREATE SCHEMA lst;
CREATE SCHEMA lst_b;
CREATE SCHEMA lstxb;
CREATE TABLE lst_b.only_b (id integer);
CREATE TABLE lstxb.only_x (id integer);
CREATE TABLE lst.event (id integer PRIMARY KEY, note text);
COMMENT ON TABLE lst.event IS '出来事';
CREATE TABLE lst.event_ref (event_id integer REFERENCES lst.event (id));
CREATE TABLE lst.part (k integer) PARTITION BY RANGE (k);
CREATE TABLE lst.part_1 PARTITION OF lst.part FOR VALUES FROM (0) TO (10);
CREATE INDEX part_k ON lst.part (k);
CREATE VIEW lst.event_view AS SELECT id, note FROM lst.event;
CREATE MATERIALIZED VIEW lst.event_mv AS SELECT id FROM lst.event;
CREATE FUNCTION lst.touch() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NEW; END$$;
CREATE TRIGGER before_x AFTER INSERT OR UPDATE ON lst.event
    FOR EACH ROW EXECUTE FUNCTION lst.touch();
CREATE TRIGGER event_trunc BEFORE TRUNCATE OR DELETE ON lst.event
    FOR EACH STATEMENT EXECUTE FUNCTION lst.touch();
CREATE TRIGGER view_del INSTEAD OF DELETE ON lst.event_view
    FOR EACH ROW EXECUTE FUNCTION lst.touch();
CREATE RULE event_keep AS ON DELETE TO lst.event_ref DO INSTEAD NOTHING;
CREATE AGGREGATE lst.tally(*) (SFUNC = int8inc, STYPE = int8, INITCOND = '0');
CREATE AGGREGATE lst.total_of(integer) (SFUNC = int4pl, STYPE = integer);
CREATE FUNCTION lst.split(a text, OUT head text, OUT tail integer)
    LANGUAGE sql AS $$SELECT a, 1$$;
CREATE FUNCTION lst.rows_of(n integer, m lst.event) RETURNS TABLE (k integer)
    LANGUAGE sql AS $$SELECT generate_series(1, n)$$;
CREATE PROCEDURE lst.reset(n integer) LANGUAGE sql AS $$SELECT 1$$;
CREATE TYPE lst.mood AS ENUM ('calm', 'busy');
CREATE SEQUENCE lst.counter INCREMENT 5 MINVALUE 1 MAXVALUE 1000 CACHE 2 CYCLE;
SELECT nextval('lst.counter');

-- Constraints of every kind the constraint editor reads back: a key in a named tablespace, a
-- composite unique key with INCLUDE, foreign keys across schemas with actions, MATCH FULL,
-- deferral and NOT VALID (two of them to the same table), checks with and without outer
-- brackets, NO INHERIT, exclusion constraints over a range and over expressions with an
-- operator class, a predicate and INCLUDE, comments, and two names that differ only in case.
CREATE SCHEMA cns_ref;
CREATE TABLE cns_ref.parent (
    a integer,
    b integer,
    c integer,
    CONSTRAINT parent_pk PRIMARY KEY (a, b),
    CONSTRAINT parent_c_key UNIQUE (c)
);
CREATE SCHEMA cns;
CREATE TABLE cns.item (
    id    integer,
    a     integer,
    b     integer,
    p1    integer,
    p2    integer,
    q     integer,
    r     int4range,
    code  text,
    note  text,
    CONSTRAINT item_pk PRIMARY KEY (id) USING INDEX TABLESPACE pg_default,
    CONSTRAINT item_ab_key UNIQUE (a, b) INCLUDE (q) WITH (fillfactor = 80),
    CONSTRAINT item_parent_fk FOREIGN KEY (p1, p2) REFERENCES cns_ref.parent (a, b)
        ON UPDATE CASCADE ON DELETE SET NULL,
    CONSTRAINT item_parent_full FOREIGN KEY (p2, p1) REFERENCES cns_ref.parent (b, a)
        MATCH FULL DEFERRABLE INITIALLY DEFERRED,
    CONSTRAINT item_a_check CHECK (a > 0),
    CONSTRAINT item_ab_check CHECK ((a > 0) AND (b > 0)) NO INHERIT,
    CONSTRAINT item_r_excl EXCLUDE USING gist (r WITH &&),
    CONSTRAINT item_code_excl EXCLUDE USING btree (lower(code) WITH =, note text_pattern_ops DESC NULLS LAST WITH =)
        INCLUDE (b) WHERE (a > 10)
);
INSERT INTO cns_ref.parent VALUES (1, 1, 1), (2, 2, 2);
INSERT INTO cns.item (id, a, b, p1, p2, q) VALUES (1, 1, 1, 1, 1, 1), (2, 5, 7, 2, 2, 9);
ALTER TABLE cns.item ADD CONSTRAINT item_q_fk FOREIGN KEY (q) REFERENCES cns_ref.parent (c)
    ON DELETE CASCADE NOT VALID;
COMMENT ON CONSTRAINT item_a_check ON cns.item IS 'a は正';
CREATE TABLE cns.mixed (x integer, y integer,
    CONSTRAINT "Mixed_chk" CHECK (x > 0),
    CONSTRAINT mixed_chk CHECK (y > 0));

-- ---------------------------------------------------------------------------------------------
-- Tables the table editor reads and writes back: identity, serial and generated columns,
-- collations, every constraint kind (a CHECK that is an IS NOT NULL test, one added NOT VALID,
-- keys with INCLUDE columns and index storage, a deferrable unique key, an exclusion), foreign
-- keys into another schema (one on a unique index that backs no constraint), indexes, triggers
-- (one disabled), permissive and restrictive policies, table and column grants with a second
-- grantor, column storage settings, comments, an unlogged table, a partitioned table with a
-- partition, and a table of every value kind the data output writes. Trigger functions live in
-- tbl_fn, so that tbl and tbl_ref can be dropped and written back.
-- ---------------------------------------------------------------------------------------------

DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['corvane_tbl_reader', 'corvane_tbl_writer', 'corvane_tbl Mixed']
    LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN', r);
        END IF;
    END LOOP;
END
$$;

CREATE SCHEMA tbl_fn;
CREATE FUNCTION tbl_fn.stamp() RETURNS trigger
    LANGUAGE plpgsql AS $$ BEGIN RETURN NEW; END $$;

CREATE SCHEMA tbl_ref;
GRANT USAGE ON SCHEMA tbl_ref TO corvane_tbl_reader, corvane_tbl_writer, "corvane_tbl Mixed";
CREATE TABLE tbl_ref.category (
    cat_id   integer PRIMARY KEY,
    code     varchar(10) NOT NULL,
    alt_code varchar(10) NOT NULL,
    CONSTRAINT category_code_key UNIQUE (code)
);
CREATE UNIQUE INDEX category_alt ON tbl_ref.category (alt_code);
COMMENT ON INDEX tbl_ref.category_alt IS '外部キーが参照する索引';

CREATE SCHEMA tbl;
GRANT USAGE ON SCHEMA tbl TO corvane_tbl_reader, corvane_tbl_writer, "corvane_tbl Mixed";
CREATE TABLE tbl.product (
    product_id integer GENERATED ALWAYS AS IDENTITY (START WITH 100 INCREMENT BY 5),
    serial_no  serial,
    "Name"     varchar(40) NOT NULL DEFAULT 'x''y',
    price      numeric(10, 2) CONSTRAINT product_price_check CHECK (price >= 0),
    qty        bigint GENERATED BY DEFAULT AS IDENTITY,
    total      numeric GENERATED ALWAYS AS (price * 2) STORED,
    label      text COLLATE "C",
    cat_id     integer REFERENCES tbl_ref.category ON DELETE SET NULL,
    alt_code   varchar(10) REFERENCES tbl_ref.category (alt_code),
    created    timestamp(3) with time zone DEFAULT now(),
    note       text,
    CONSTRAINT product_pkey PRIMARY KEY (product_id) INCLUDE (serial_no)
        WITH (fillfactor = 80),
    CONSTRAINT product_name_nn CHECK ("Name" IS NOT NULL),
    CONSTRAINT product_label_key UNIQUE (label) DEFERRABLE INITIALLY DEFERRED
) WITH (fillfactor = 90, autovacuum_enabled = false);
ALTER TABLE tbl.product ADD CONSTRAINT product_note_short CHECK (length(note) < 200) NOT VALID;
ALTER TABLE tbl.product ALTER COLUMN note SET STORAGE EXTERNAL;
ALTER TABLE tbl.product ALTER COLUMN label SET STATISTICS 500;
ALTER TABLE tbl.product ALTER COLUMN price SET (n_distinct = 100);
COMMENT ON TABLE tbl.product IS '製品 ''見本''';
COMMENT ON COLUMN tbl.product."Name" IS '品名';
COMMENT ON CONSTRAINT product_price_check ON tbl.product IS '価格は0以上';
CREATE INDEX product_created_idx ON tbl.product (created DESC) WHERE price > 0;
COMMENT ON INDEX tbl.product_created_idx IS '新しい順';
CREATE INDEX "Product_Lower" ON tbl.product (lower("Name") varchar_pattern_ops);
ALTER TABLE tbl.product CLUSTER ON product_pkey;
CREATE TRIGGER product_stamp BEFORE UPDATE ON tbl.product
    FOR EACH ROW EXECUTE FUNCTION tbl_fn.stamp();
COMMENT ON TRIGGER product_stamp ON tbl.product IS '更新時刻';
CREATE TRIGGER product_quiet AFTER DELETE ON tbl.product
    FOR EACH STATEMENT EXECUTE FUNCTION tbl_fn.stamp();
ALTER TABLE tbl.product DISABLE TRIGGER product_quiet;
CREATE POLICY product_read ON tbl.product FOR SELECT TO corvane_tbl_reader, "corvane_tbl Mixed"
    USING (price > 0);
CREATE POLICY product_limit ON tbl.product AS RESTRICTIVE FOR ALL TO PUBLIC
    USING (true) WITH CHECK (price < 1000);
CREATE POLICY product_add ON tbl.product FOR INSERT TO corvane_tbl_writer
    WITH CHECK (qty > 0);
COMMENT ON POLICY product_read ON tbl.product IS '正の価格のみ';
ALTER TABLE tbl.product ENABLE ROW LEVEL SECURITY;
ALTER TABLE tbl.product FORCE ROW LEVEL SECURITY;
GRANT SELECT ON tbl.product TO corvane_tbl_reader;
GRANT SELECT, INSERT ON tbl.product TO corvane_tbl_writer WITH GRANT OPTION;
GRANT UPDATE (note, "Name") ON tbl.product TO corvane_tbl_reader;
SET ROLE corvane_tbl_writer;
GRANT SELECT ON tbl.product TO "corvane_tbl Mixed";
RESET ROLE;

CREATE UNLOGGED TABLE tbl."Order Line" (
    line_id   bigint NOT NULL,
    "Qty"     smallint NOT NULL DEFAULT 1,
    span      int4range,
    parent_id bigint,
    tags      varchar(8)[],
    PRIMARY KEY (line_id) INCLUDE ("Qty"),
    CONSTRAINT order_line_parent FOREIGN KEY (parent_id) REFERENCES tbl."Order Line"
        DEFERRABLE,
    CONSTRAINT order_line_span EXCLUDE USING gist (span WITH &&) WITH (fillfactor = 70)
        WHERE (line_id > 0)
);
ALTER TABLE tbl."Order Line" REPLICA IDENTITY FULL;
REVOKE ALL ON tbl."Order Line" FROM CURRENT_USER;
GRANT SELECT, INSERT ON tbl."Order Line" TO CURRENT_USER;
GRANT SELECT ON tbl."Order Line" TO PUBLIC;

CREATE TABLE tbl.parted (id integer NOT NULL, at date NOT NULL) PARTITION BY RANGE (at);
CREATE TABLE tbl.parted_2025 PARTITION OF tbl.parted
    FOR VALUES FROM ('2025-01-01') TO ('2026-01-01');

-- Every value kind of the data output, with the texts that break naive scripts.
CREATE TABLE tbl.kinds (
    id    integer PRIMARY KEY,
    t     text,
    ts    timestamp(6),
    tstz  timestamp with time zone,
    tm    time(3),
    tmtz  time with time zone,
    iv    interval,
    d     date,
    b     bytea,
    u     uuid,
    c     char(5),
    j     json,
    jb    jsonb,
    arr   text[],
    iarr  integer[],
    n     numeric,
    f     double precision,
    r     real,
    bo    boolean,
    big   bigint,
    money_v money,
    gen   integer GENERATED ALWAYS AS (id * 10) STORED,
    ident integer GENERATED ALWAYS AS IDENTITY
);
INSERT INTO tbl.kinds (id, t, ts, tstz, tm, tmtz, iv, d, b, u, c, j, jb, arr, iarr, n, f, r, bo,
                       big, money_v) VALUES
    (1, 'it''s "quoted" \ back', '2025-06-01 12:34:56.123456', '2025-06-01 12:34:56.5+09',
     '23:59:59.999', '10:00:00+05:30', '1 year 2 mons 3 days 04:05:06.7', '2025-02-28',
     '\x00ff0a3b'::bytea, 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 'ab',
     '{"k": [1, 2.50, "x\ny"]}', '{"b": 1, "a": null}', ARRAY['a,b', NULL, '"q"', ''],
     '{1,NULL,3}', 'NaN', 'Infinity', 1.5e-7, true, 9223372036854775807, 12.34),
    (2, E'line1\nline2\r\n;\n\ttab', '0001-01-01 00:00:00', '2000-01-01 00:00:00+00',
     '00:00:00', '00:00:00-12', '-1 days', '1999-12-31', '', '00000000-0000-0000-0000-000000000000',
     '     ', '[]', '[]', '{}', '{}', '-0.000123', '-1.7976931348623157e+308', '-Infinity',
     false, -9223372036854775808, -0.5),
    (3, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
     NULL, NULL, NULL, NULL, NULL),
    (4, '', 'infinity', '-infinity', '12:00', '12:00+00', '0', 'infinity', '\x', NULL, 'abcde',
     'null', '"s"', ARRAY[E'new\nline'], '{{1,2},{3,4}}', '123456789012345678901234567890.123',
     '0.1', 'NaN', NULL, 0, 0);

-- Editing in the data frame and the long-value editor: numbers of every kind to total, a
-- column that is NULL in every row, timestamps with fractions and offsets, a date before
-- Christ and infinity, bytea values (NULL, empty, bytes), and a parent row that a child row
-- keeps from being deleted.
CREATE SCHEMA edt;
CREATE TABLE edt.item (
    id      integer PRIMARY KEY,
    name    text,
    price   numeric(10,2),
    qty     integer,
    ratio   double precision,
    nothing integer,
    stamp   timestamptz,
    day     date,
    plain   timestamp,
    memo    text,
    payload bytea
);
INSERT INTO edt.item VALUES
    (1, 'ボルト', 12.50, 10, 0.5, NULL, '2026-01-02 03:04:05.123456+09', '2026-01-02',
     '2026-01-02 03:04:05.5', '長い説明', NULL),
    (2, 'ナット', 8.00, 25, 1.25, NULL, 'infinity', '0044-03-15 BC', '-infinity', NULL, '\x'),
    (3, 'ワッシャ', 0.35, 1000, NULL, NULL, '1999-06-30 23:59:59.999999+00', NULL, NULL, '',
     '\x0001ff'),
    (4, 'ねじ', NULL, NULL, -2.5, NULL, NULL, '9999-12-31', '2026-06-01 00:00:00', 'x', NULL);
CREATE TABLE edt.parent (id integer PRIMARY KEY, label text);
INSERT INTO edt.parent SELECT g, 'p' || g FROM generate_series(1, 5) g;
CREATE TABLE edt.child (id integer PRIMARY KEY, parent_id integer NOT NULL REFERENCES edt.parent);
INSERT INTO edt.child VALUES (1, 2);

-- Storage frame and object dispatch: a child of two parents (one whose name needs quoting)
-- and a same-named child in a second schema with a parent of its own, a third table to
-- inherit from, and an unlogged table.
CREATE SCHEMA dsp;
CREATE SCHEMA dsp_twin;
CREATE TABLE dsp.parent_a (id integer);
CREATE TABLE dsp."Parent_B" (id integer);
CREATE TABLE dsp.parent_c (id integer);
CREATE TABLE dsp.kid (note text) INHERITS (dsp.parent_a, dsp."Parent_B");
CREATE TABLE dsp_twin.kid () INHERITS (dsp.parent_c);
CREATE UNLOGGED TABLE dsp.scratch (id integer);

-- ---------------------------------------------------------------------------------------------
-- Table re-creation: a table with rows, a serial and an identity column, a generated column, an
-- index, a trigger, foreign keys from its own and another schema, views on it (one reading the
-- other, one owned by another role), permissive and restrictive policies, and privileges with
-- grant option, also granted on by another role and on a column.
CREATE SCHEMA tbl_re;
CREATE SCHEMA tbl_re_other;
GRANT USAGE ON SCHEMA tbl_re, tbl_re_other TO corvane_grt_a, corvane_grt_b;
GRANT CREATE ON SCHEMA tbl_re_other TO corvane_grt_a;
CREATE TABLE tbl_re.item (
    id serial PRIMARY KEY,
    seq_no bigint GENERATED ALWAYS AS IDENTITY,
    name varchar(40) NOT NULL,
    note text DEFAULT 'none',
    price numeric(10,2) CHECK (price >= 0),
    price_tax numeric GENERATED ALWAYS AS (price * 1.1) STORED
);
COMMENT ON TABLE tbl_re.item IS '品目';
COMMENT ON COLUMN tbl_re.item.name IS '品名';
CREATE INDEX item_name_idx ON tbl_re.item (name);
CREATE FUNCTION tbl_re.touch() RETURNS trigger LANGUAGE plpgsql
    AS $$BEGIN NEW.note := coalesce(NEW.note, 'touched'); RETURN NEW; END$$;
CREATE TRIGGER item_touch BEFORE INSERT OR UPDATE ON tbl_re.item
    FOR EACH ROW EXECUTE FUNCTION tbl_re.touch();
CREATE TABLE tbl_re.line (id integer PRIMARY KEY,
                          item_id integer REFERENCES tbl_re.item (id) ON DELETE CASCADE);
CREATE TABLE tbl_re_other.stock (item_id integer CONSTRAINT stock_item_fk
                                     REFERENCES tbl_re.item (id),
                                 qty integer);
COMMENT ON CONSTRAINT stock_item_fk ON tbl_re_other.stock IS '在庫の品目';
CREATE VIEW tbl_re.item_priced WITH (security_barrier = true) AS
    SELECT id, name, price FROM tbl_re.item WHERE price > 0;
COMMENT ON VIEW tbl_re.item_priced IS '価格あり';
COMMENT ON COLUMN tbl_re.item_priced.name IS 'ビューの品名';
CREATE VIEW tbl_re_other.item_names AS SELECT id, name FROM tbl_re.item_priced;
ALTER VIEW tbl_re_other.item_names OWNER TO corvane_grt_a;
GRANT SELECT ON tbl_re.item_priced TO corvane_grt_a, corvane_grt_b;
ALTER TABLE tbl_re.item ENABLE ROW LEVEL SECURITY;
ALTER TABLE tbl_re.item FORCE ROW LEVEL SECURITY;
CREATE POLICY item_all ON tbl_re.item USING (true);
CREATE POLICY item_cheap ON tbl_re.item AS RESTRICTIVE FOR SELECT TO PUBLIC
    USING (price < 1000);
GRANT SELECT, UPDATE ON tbl_re.item TO corvane_grt_a WITH GRANT OPTION;
GRANT UPDATE (note) ON tbl_re.item TO corvane_grt_b;
SET ROLE corvane_grt_a;
GRANT SELECT ON tbl_re.item TO corvane_grt_b;
RESET ROLE;
INSERT INTO tbl_re.item (name, note, price) VALUES ('ボルト', 'x', 1.50), ('ナット', NULL, 2),
    ('座金', 'z''s', 3);
INSERT INTO tbl_re.line VALUES (1, 1), (2, 2);
INSERT INTO tbl_re_other.stock VALUES (1, 10), (3, 30);
-- A table another table's column uses as its type: it cannot be re-created.
CREATE TABLE tbl_re.shape (x integer, y integer);
CREATE TABLE tbl_re.drawing (id integer, origin tbl_re.shape);
-- The table editor's ALTER statements: a table with a serial key, a column dropped between
-- two others (so that column numbers and grid positions differ), a varchar with a comment,
-- defaults that are expressions (nextval, now()) and a table comment; a table with an
-- identity column and a stored generated column.
CREATE SCHEMA tbl_alter;
CREATE TABLE tbl_alter.item (
    id   serial PRIMARY KEY,
    code character varying(20) NOT NULL,
    gone integer,
    qty  integer DEFAULT 0,
    made text DEFAULT now(),
    note text
);
ALTER TABLE tbl_alter.item DROP COLUMN gone;
COMMENT ON TABLE tbl_alter.item IS '品目';
COMMENT ON COLUMN tbl_alter.item.code IS '品番';
INSERT INTO tbl_alter.item (code, qty, note) VALUES ('A-1', 3, 'first'), ('B-2', 5, NULL);
CREATE TABLE tbl_alter.counter (
    id    integer GENERATED ALWAYS AS IDENTITY,
    total integer GENERATED ALWAYS AS (length(label) * 2) STORED,
    label text
);
INSERT INTO tbl_alter.counter (label) VALUES ('one'), ('two');

-- A key checked at COMMIT: a row that breaks it is taken until the transaction ends.
CREATE SCHEMA trn;
CREATE TABLE trn.parent (id integer PRIMARY KEY);
CREATE TABLE trn.child (
    id        integer PRIMARY KEY,
    parent_id integer CONSTRAINT child_parent_fkey REFERENCES trn.parent
                      DEFERRABLE INITIALLY DEFERRED
);

-- Code assist: a table whose name only matches in double quotes beside a lower-case one, with
-- typed lengths and a key of two columns; a table whose key column was renamed after the key
-- was made (the key's index keeps the old column name).
CREATE SCHEMA code_assist;
CREATE TABLE code_assist.orders (order_id integer PRIMARY KEY);
CREATE TABLE code_assist."Orders" (
    region   varchar(20) NOT NULL,
    order_no integer NOT NULL,
    total    numeric(10, 2),
    note     text,
    PRIMARY KEY (region, order_no)
);
CREATE TABLE code_assist.renamed_key (old_id integer PRIMARY KEY, label text);
ALTER TABLE code_assist.renamed_key RENAME COLUMN old_id TO new_id;

-- A second schema whose table and trigger carry the names of inv's: a statement that names the
-- trigger's table without its schema reaches whichever the search path finds first.
CREATE SCHEMA inv2;
CREATE TABLE inv2.item (
    item_id integer PRIMARY KEY,
    name    text NOT NULL
);
CREATE TRIGGER item_touch BEFORE INSERT OR UPDATE ON inv2.item
    FOR EACH ROW EXECUTE FUNCTION inv.touch_item();

-- The test-data generator: a master and a child with every kind of key and column its rules
-- read (serial, two unique constraints, a single- and a two-column foreign key, numeric, date,
-- time, timestamp, text, boolean and a dropped column), keys of time, timestamp, date and bigint,
-- a master in another schema behind a unique index, and a plain table for runs.
CREATE SCHEMA datagen;
CREATE SCHEMA datagen_master;
CREATE TABLE datagen.parent (
    parent_id serial PRIMARY KEY,
    code      varchar(10) NOT NULL UNIQUE,
    name      varchar(40) NOT NULL,
    UNIQUE (code, name)
);
INSERT INTO datagen.parent (code, name) VALUES ('P1', '一'), ('P2', '二'), ('P3', '三');
CREATE TABLE datagen.child (
    child_id  integer PRIMARY KEY,
    gone      integer,
    parent_id integer NOT NULL REFERENCES datagen.parent,
    name      varchar(40),
    amount    numeric(10, 2) NOT NULL,
    born_on   date,
    starts_at time NOT NULL,
    stamp     timestamp NOT NULL,
    note      text,
    flag      boolean NOT NULL DEFAULT false,
    serial_no serial,
    label     varchar(20) CONSTRAINT child_u1 UNIQUE,
    code2     varchar(8) CONSTRAINT child_u2 UNIQUE
);
ALTER TABLE datagen.child DROP COLUMN gone;
CREATE TABLE datagen.pair (
    id   integer PRIMARY KEY,
    code varchar(10),
    name varchar(40),
    FOREIGN KEY (code, name) REFERENCES datagen.parent (code, name)
);
CREATE TABLE datagen.by_time (
    at   time PRIMARY KEY,
    ts   timestamp NOT NULL UNIQUE,
    note text
);
CREATE TABLE datagen.by_date (d date PRIMARY KEY, qty integer NOT NULL);
CREATE TABLE datagen.big (id bigint PRIMARY KEY, note text);
CREATE TABLE datagen_master.region (region_id integer NOT NULL, name text NOT NULL);
CREATE UNIQUE INDEX region_id_idx ON datagen_master.region (region_id);
INSERT INTO datagen_master.region VALUES (10, '北'), (20, '南');
CREATE TABLE datagen.shop (
    shop_id   integer PRIMARY KEY,
    region_id integer NOT NULL REFERENCES datagen_master.region (region_id),
    name      text
);
CREATE TABLE datagen.plain (
    id    integer PRIMARY KEY,
    qty   integer CHECK (qty <> 13),
    label varchar(20),
    note  text
);
CREATE TABLE datagen.link3 (v integer, label text);
INSERT INTO datagen.link3 VALUES (1, 'a'), (2, 'b'), (3, 'c');
-- Query builder: the emp and dept tables of the examples and a table whose name holds a dot.
-- (Its schema "Sales" beside sales is made by the builder's tests in their own databases: a
-- schema that sorts before every other would change the first schema of the whole sample.)
CREATE SCHEMA qbuild;
CREATE TABLE qbuild.dept (
    deptno integer PRIMARY KEY,
    dname  varchar(14),
    loc    varchar(13)
);
CREATE TABLE qbuild.emp (
    empno  integer PRIMARY KEY,
    ename  varchar(10),
    job    varchar(9),
    sal    numeric(7, 2),
    deptno integer REFERENCES qbuild.dept
);
CREATE TABLE qbuild.emp_hist (
    empno    integer,
    valid_on date,
    sal      numeric(7, 2),
    PRIMARY KEY (empno, valid_on)
);
CREATE TABLE qbuild."a.b" (id integer PRIMARY KEY, label text);
INSERT INTO qbuild.dept VALUES (10, 'ACCOUNTING', 'NEW YORK'), (20, 'RESEARCH', 'DALLAS');
INSERT INTO qbuild.emp VALUES (7782, 'CLARK', 'MANAGER', 2450, 10), (7369, 'SMITH', 'CLERK', 800, 20);

-- The stored-program runner: a schema and a routine whose names keep their capitals, a type of
-- the program's schema named like the argument type of another schema, composite and array
-- arguments, unnamed trailing arguments, exact numbers, text written into a table, dates, and
-- an array result.
CREATE SCHEMA "Mixed";
CREATE FUNCTION "Mixed"."Calc"(a integer) RETURNS integer
    LANGUAGE sql IMMUTABLE AS $$ SELECT a * 2 $$;
CREATE TYPE "Mixed".dimension AS (depth integer);
CREATE TABLE "Mixed".said (id serial PRIMARY KEY, said text, on_day date, at_time timestamp);
CREATE FUNCTION "Mixed".area(d inv.dimension, ds inv.dimension[]) RETURNS numeric
    LANGUAGE sql IMMUTABLE
    AS $$ SELECT d.width * d.height
                 + COALESCE((SELECT sum(x.width * x.height) FROM unnest(ds) AS x), 0) $$;
CREATE PROCEDURE "Mixed".keep_dims(d inv.dimension, ds inv.dimension[])
    LANGUAGE sql AS $$ INSERT INTO "Mixed".said (said) VALUES (d::text || ' ' || ds::text) $$;
CREATE FUNCTION "Mixed".joined(a integer, text, integer) RETURNS text
    LANGUAGE sql IMMUTABLE AS $$ SELECT a || '/' || $2 || '/' || $3 $$;
CREATE FUNCTION "Mixed".echo_num(n numeric) RETURNS numeric
    LANGUAGE sql IMMUTABLE AS $$ SELECT n $$;
CREATE PROCEDURE "Mixed".say(t text)
    LANGUAGE sql AS $$ INSERT INTO "Mixed".said (said) VALUES (t) $$;
CREATE PROCEDURE "Mixed".say_when(t text, d date, ts timestamp)
    LANGUAGE sql AS $$ INSERT INTO "Mixed".said (said, on_day, at_time) VALUES (t, d, ts) $$;
CREATE FUNCTION "Mixed".evens(n integer) RETURNS integer[]
    LANGUAGE sql IMMUTABLE
    AS $$ SELECT array_agg(g * 2 ORDER BY g) FROM generate_series(1, n) AS g $$;
