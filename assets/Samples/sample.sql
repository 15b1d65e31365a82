-- The sample shop database behind "Load Sample/Example Database": a few tables covering the common
-- types, with a few hundred rows. The build runs this script with isql to make Samples/sample.fdb.
SET SQL DIALECT 3;
CREATE TABLE CUSTOMERS (
    CUSTOMER_ID INTEGER NOT NULL PRIMARY KEY,
    NAME VARCHAR(60) NOT NULL,
    CITY VARCHAR(40),
    COUNTRY CHAR(2),
    SINCE DATE,
    VIP BOOLEAN,
    NOTES BLOB SUB_TYPE TEXT
);
CREATE TABLE PRODUCTS (
    PRODUCT_ID INTEGER NOT NULL PRIMARY KEY,
    NAME VARCHAR(60) NOT NULL,
    PRICE NUMERIC(18,2) NOT NULL,
    WEIGHT_KG DOUBLE PRECISION,
    STOCK SMALLINT,
    BARCODE BIGINT
);
CREATE TABLE ORDERS (
    ORDER_ID INTEGER NOT NULL PRIMARY KEY,
    CUSTOMER_ID INTEGER NOT NULL,
    PLACED TIMESTAMP NOT NULL,
    TOTAL NUMERIC(18,2)
);
CREATE TABLE ORDER_LINES (
    ORDER_ID INTEGER NOT NULL,
    LINE_NO SMALLINT NOT NULL,
    PRODUCT_ID INTEGER NOT NULL,
    QUANTITY INTEGER NOT NULL,
    DISCOUNT DECIMAL(5,2)
);
CREATE VIEW BIG_ORDERS AS SELECT ORDER_ID, TOTAL FROM ORDERS WHERE TOTAL > 500;
COMMIT;

SET TERM ^ ;
EXECUTE BLOCK AS
    DECLARE i INTEGER = 1;
    DECLARE line INTEGER;
BEGIN
    WHILE (i <= 60) DO BEGIN
        INSERT INTO CUSTOMERS VALUES (:i,
            CASE MOD(:i, 6) WHEN 0 THEN 'Ana Ferreira' WHEN 1 THEN 'Jürgen Weiß' WHEN 2 THEN 'Zofia Łukasz'
                            WHEN 3 THEN 'Chloé Dubois' WHEN 4 THEN 'Seán O''Brien' ELSE 'Sigríður Jónsdóttir' END
                || ' ' || :i,
            CASE MOD(:i, 5) WHEN 0 THEN 'Lisboa' WHEN 1 THEN 'München' WHEN 2 THEN 'Kraków'
                            WHEN 3 THEN 'Zürich' ELSE 'Reykjavík' END,
            CASE MOD(:i, 5) WHEN 0 THEN 'PT' WHEN 1 THEN 'DE' WHEN 2 THEN 'PL' WHEN 3 THEN 'CH' ELSE 'IS' END,
            DATEADD(:i * 17 DAY TO DATE '2012-01-01'),
            MOD(:i, 7) = 0,
            CASE WHEN MOD(:i, 4) = 0 THEN 'Prefers delivery before noon; says "thanks" a lot.' END);
        i = i + 1;
    END
    i = 1;
    WHILE (i <= 40) DO BEGIN
        INSERT INTO PRODUCTS VALUES (:i,
            CASE MOD(:i, 4) WHEN 0 THEN 'Teapot' WHEN 1 THEN 'Espresso cup' WHEN 2 THEN 'Café au lait bowl'
                            ELSE 'Kettle, 1.5 l' END || ' no. ' || :i,
            CAST(:i * 3.25 + 0.99 AS NUMERIC(18,2)), :i / 7.0e0, MOD(:i * 13, 200), 4006381333900 + :i);
        i = i + 1;
    END
    i = 1;
    WHILE (i <= 200) DO BEGIN
        INSERT INTO ORDERS VALUES (:i, MOD(:i, 60) + 1,
            DATEADD(:i * 523 MINUTE TO TIMESTAMP '2014-05-20 08:30:00.1250'), NULL);
        line = 1;
        WHILE (line <= MOD(:i, 3) + 1) DO BEGIN
            INSERT INTO ORDER_LINES VALUES (:i, :line, MOD(:i * :line, 40) + 1, MOD(:i, 9) + 1,
                                            CASE WHEN MOD(:i, 5) = 0 THEN 12.50 END);
            line = line + 1;
        END
        i = i + 1;
    END
    UPDATE ORDERS o SET TOTAL = (SELECT SUM(p.PRICE * l.QUANTITY) FROM ORDER_LINES l
                                 JOIN PRODUCTS p ON p.PRODUCT_ID = l.PRODUCT_ID WHERE l.ORDER_ID = o.ORDER_ID);
END^
SET TERM ; ^
COMMIT;
