-- The demo database: a few small tables with duplicates worth removing, one table whose name has a
-- blank, and one of 200,000 rows.
CREATE TABLE customers (
  id INT AUTO_INCREMENT PRIMARY KEY,
  name VARCHAR(40),
  city VARCHAR(40),
  email VARCHAR(60),
  joined DATE
);
INSERT INTO customers (name, city, email, joined) VALUES
  ('Anna Berg', 'Oslo', 'anna@example.org', '2021-03-04'),
  ('Jonas Weber', 'Zürich', 'jonas@example.org', '2021-05-17'),
  ('Maria Rossi', 'Roma', 'maria@example.org', '2021-06-01'),
  ('Anna Berg', 'Oslo', 'anna.berg@example.org', '2022-01-09'),
  ('Li Wei', '北京', 'li@example.org', '2022-02-11'),
  ('Jonas Weber', 'Zurich', 'jweber@example.org', '2022-03-23'),
  ('maria rossi', 'Roma', 'mrossi@example.org', '2022-04-30'),
  ('Sam O''Neil', 'Dublin', NULL, '2022-06-12'),
  ('Maria Rossi', 'Roma', 'maria.rossi@example.org', '2022-08-08'),
  ('Li Wei', '北京', 'wei.li@example.org', '2023-01-15'),
  ('Sam O''Neil', 'Dublin', 'sam@example.org', '2023-02-02'),
  ('Chloé Martin', 'Lyon', 'chloe@example.org', '2023-03-14'),
  ('Anna Berg', 'Bergen', 'anna@example.org', '2023-05-05'),
  ('Chloé Martin', 'Lyon', NULL, '2023-07-21'),
  ('Peter Novak', NULL, 'peter@example.org', '2023-09-30'),
  ('Peter Novak', '', 'pnovak@example.org', '2024-01-03'),
  ('Anna Berg', 'Oslo', NULL, '2024-02-29'),
  ('Jonas Weber', 'Zürich', 'jonas.weber@example.org', '2024-04-18');

CREATE TABLE orders (
  order_no INT PRIMARY KEY,
  customer VARCHAR(40),
  product VARCHAR(40),
  quantity INT,
  price DECIMAL(8,2),
  ordered_at DATETIME
);
INSERT INTO orders VALUES
  (1001, 'Anna Berg', 'Desk lamp', 1, 39.90, '2024-01-02 09:15:00'),
  (1002, 'Jonas Weber', 'Office chair', 1, 249.00, '2024-01-02 10:01:00'),
  (1003, 'Anna Berg', 'Desk lamp', 1, 39.90, '2024-01-02 09:15:00'),
  (1004, 'Maria Rossi', 'Notebook', 10, 2.50, '2024-01-03 14:30:00'),
  (1005, 'Li Wei', 'Monitor arm', 2, 89.00, '2024-01-04 08:45:00'),
  (1006, 'Maria Rossi', 'Notebook', 10, 2.50, '2024-01-03 14:30:00'),
  (1007, 'Chloé Martin', 'Desk', 1, 420.00, '2024-01-05 16:20:00'),
  (1008, 'Jonas Weber', 'Office chair', 1, 249.00, '2024-01-02 10:01:00'),
  (1009, 'Sam O''Neil', 'Cable tray', 3, 12.00, '2024-01-06 11:11:00'),
  (1010, 'Anna Berg', 'Desk lamp', 2, 39.90, '2024-01-07 09:00:00'),
  (1011, 'Li Wei', 'Monitor arm', 2, 89.00, '2024-01-04 08:45:00'),
  (1012, 'Peter Novak', 'Whiteboard', 1, 75.00, '2024-01-08 13:37:00');

CREATE TABLE `order lines` (
  line_id INT AUTO_INCREMENT PRIMARY KEY,
  order_no INT,
  sku VARCHAR(20),
  quantity INT
);
INSERT INTO `order lines` (order_no, sku, quantity) VALUES
  (1001, 'LAMP-01', 1), (1002, 'CHAIR-7', 1), (1001, 'LAMP-01', 1), (1004, 'NB-A5', 10),
  (1005, 'ARM-2', 2), (1004, 'NB-A5', 10), (1007, 'DESK-XL', 1), (1009, 'TRAY-3', 3),
  (1007, 'DESK-XL', 1), (1012, 'WB-90', 1);

-- 200,000 sensor readings; about 30% repeat an earlier reading of the same sensor at the same time.
CREATE TABLE readings (
  id INT AUTO_INCREMENT PRIMARY KEY,
  sensor VARCHAR(20),
  taken_at DATETIME,
  value DECIMAL(8,3),
  note VARCHAR(60)
);
INSERT INTO readings (sensor, taken_at, value, note)
SELECT CONCAT('sensor-', k % 500), '2024-01-01 00:00:00' + INTERVAL (k DIV 500) MINUTE,
       (k % 10000) / 7, CONCAT('reading ', seq)
FROM (SELECT seq, IF(seq > 10 AND seq % 10 < 3, ((seq * 7919) % (seq - 10) + 1) DIV 10 * 10 + 5, seq) AS k
      FROM seq_1_to_200000) s
ORDER BY seq;
