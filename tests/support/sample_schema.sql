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
