%%%問い合わせ
【 SELECT 】 行の取り出し
SELECT [ ALL | DISTINCT [ ON ( 式 [, ...] ) ] ]
    [ * | 式 [ [ AS ] 出力名 ] [, ...] ]
    [ FROM <FROM句> ]
    [ WHERE 条件 ]
    [ GROUP BY 式 [, ...] ]
    [ HAVING 条件 ]
    [ ORDER BY 式 [ ASC | DESC ] [ NULLS { FIRST | LAST } ] [, ...] ]
    [ LIMIT { 件数 | ALL } ] [ OFFSET 開始位置 ]
    [ FOR { UPDATE | SHARE } [ OF テーブル名 [, ...] ] [ NOWAIT | SKIP LOCKED ] ]
{ 問い合わせの結果は、ORDER BY を指定しない限り順序が保証されません。 }
例:
    SELECT id, name FROM customer WHERE city = '東京' ORDER BY id;

【 FROM句 】 問い合わせの対象
FROM テーブル名 [ [ AS ] 別名 ]
   | ( 副問い合わせ ) [ AS ] 別名
   | 対象 <JOIN> 対象
   | LATERAL ( 副問い合わせ ) [ AS ] 別名

【 JOIN 】 テーブルの結合
対象 [ INNER ] JOIN 対象 { ON 条件 | USING ( 列名 [, ...] ) }
対象 { LEFT | RIGHT | FULL } [ OUTER ] JOIN 対象 { ON 条件 | USING ( 列名 [, ...] ) }
対象 CROSS JOIN 対象
{ 結合の対象には <FROM句> に書けるものをすべて使えます。 }

【 WITH 】 共通テーブル式
WITH [ RECURSIVE ] 名前 [ ( 列名 [, ...] ) ] AS [ [ NOT ] MATERIALIZED ]
    ( <SELECT> | INSERT | UPDATE | DELETE ) [, ...]
主文

%%%データ操作
【 INSERT 】 行の追加
INSERT INTO テーブル名 [ AS 別名 ] [ ( 列名 [, ...] ) ]
    { DEFAULT VALUES | VALUES ( { 式 | DEFAULT } [, ...] ) [, ...] | <SELECT> }
    [ ON CONFLICT [ ( 列名 [, ...] ) ] { DO NOTHING | DO UPDATE SET 列名 = 式 [, ...] } ]
    [ RETURNING * | 式 [ [ AS ] 出力名 ] [, ...] ]

【 UPDATE 】 行の更新
UPDATE [ ONLY ] テーブル名 [ [ AS ] 別名 ]
    SET { 列名 = { 式 | DEFAULT } | ( 列名 [, ...] ) = ( 式 [, ...] ) } [, ...]
    [ FROM <FROM句> ]
    [ WHERE 条件 | WHERE CURRENT OF カーソル名 ]
    [ RETURNING * | 式 [ [ AS ] 出力名 ] [, ...] ]

【 DELETE 】 行の削除
DELETE FROM [ ONLY ] テーブル名 [ [ AS ] 別名 ]
    [ USING <FROM句> ]
    [ WHERE 条件 | WHERE CURRENT OF カーソル名 ]
    [ RETURNING * | 式 [ [ AS ] 出力名 ] [, ...] ]

【 MERGE 】 条件による追加・更新・削除
MERGE INTO テーブル名 [ [ AS ] 別名 ]
USING 対象 ON 結合条件
WHEN MATCHED [ AND 条件 ] THEN { <UPDATE> 相当の SET | DELETE | DO NOTHING }
WHEN NOT MATCHED [ AND 条件 ] THEN { <INSERT> 相当の VALUES | DO NOTHING }

%%%トランザクション
【 BEGIN 】 トランザクションの開始
BEGIN [ WORK | TRANSACTION ] [ ISOLATION LEVEL { SERIALIZABLE | REPEATABLE READ | READ COMMITTED } ]
    [ READ WRITE | READ ONLY ] [ [ NOT ] DEFERRABLE ]
終了は <COMMIT> または <ROLLBACK> で行います。

【 COMMIT 】 トランザクションの確定
COMMIT [ WORK | TRANSACTION ] [ AND [ NO ] CHAIN ]
{ 失敗したトランザクションの COMMIT は、ROLLBACK として扱われます。 }
開始は <BEGIN> を参照してください。

【 ROLLBACK 】 トランザクションの取り消し
ROLLBACK [ WORK | TRANSACTION ] [ AND [ NO ] CHAIN ]
ROLLBACK TO [ SAVEPOINT ] セーブポイント名
開始は <BEGIN> を参照してください。

%%%データ定義
【 CREATE TABLE 】 テーブルの作成
CREATE [ TEMPORARY | UNLOGGED ] TABLE [ IF NOT EXISTS ] テーブル名 (
    列名 データ型 [ COLLATE 照合順序 ] [ 列制約 [ ... ] ] [, ...]
    [, <表制約> [, ...] ]
)
[ PARTITION BY { RANGE | LIST | HASH } ( 列名 | ( 式 ) [, ...] ) ]
[ WITH ( 格納パラメータ = 値 [, ...] ) ]
[ TABLESPACE 表領域名 ]

【 表制約 】 テーブルの制約
[ CONSTRAINT 制約名 ]
{ CHECK ( 条件 ) [ NO INHERIT ]
| UNIQUE [ NULLS [ NOT ] DISTINCT ] ( 列名 [, ...] )
| PRIMARY KEY ( 列名 [, ...] )
| FOREIGN KEY ( 列名 [, ...] ) REFERENCES 参照テーブル [ ( 参照列 [, ...] ) ]
    [ ON DELETE 動作 ] [ ON UPDATE 動作 ] }
[ DEFERRABLE | NOT DEFERRABLE ] [ INITIALLY DEFERRED | INITIALLY IMMEDIATE ]

【 CREATE INDEX 】 インデックスの作成
CREATE [ UNIQUE ] INDEX [ CONCURRENTLY ] [ [ IF NOT EXISTS ] インデックス名 ]
    ON [ ONLY ] テーブル名 [ USING 方式 ]
    ( { 列名 | ( 式 ) } [ ASC | DESC ] [ NULLS { FIRST | LAST } ] [, ...] )
    [ INCLUDE ( 列名 [, ...] ) ] [ WHERE 条件 ]

%%%関数
【 COALESCE 】 最初の NULL でない値
COALESCE ( 値 [, ...] )
例: SELECT COALESCE(description, '(なし)') FROM item;
関連: <NULLIF>

【 NULLIF 】 等しいときに NULL
NULLIF ( 値1, 値2 )
関連: <COALESCE>

【 to_char 】 書式付きの文字列への変換
to_char ( 日時 | 数値, 書式 )
例: SELECT to_char(now(), 'YYYY/MM/DD HH24:MI:SS');
